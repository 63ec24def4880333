#include "support/fake_image.h"

#include <algorithm>
#include <array>

namespace {

std::string pattern(std::int64_t size)
{
    std::string content(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>('a' + i % 26);
    return content;
}

void putBe32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xff);
}

void putBe16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value >> 8 & 0xff);
    out += static_cast<char>(value & 0xff);
}

void putLe16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>(value >> 8 & 0xff);
}

void putLe32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift & 0xff);
}

std::uint32_t crc32(const std::string& data)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t c = 0xffffffffu;
    for (unsigned char byte : data)
        c = table[(c ^ byte) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

std::uint32_t adler32(const std::string& data)
{
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (unsigned char byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void pngChunk(std::string& out, const char* type, const std::string& body)
{
    putBe32(out, static_cast<std::uint32_t>(body.size()));
    const std::string typed = std::string(type, 4) + body;
    out += typed;
    putBe32(out, crc32(typed));
}

// 2x2 RGB at 8 bits: red, green / blue, white (off-white in the variant).
std::string png(std::int64_t size, bool variant)
{
    std::string ihdr;
    putBe32(ihdr, 2);
    putBe32(ihdr, 2);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    std::string raw("\0\xff\0\0\0\xff\0\0\0\0\xff\xff\xff\xff", 14);
    if (variant)
        raw[13] = '\xfe';
    // zlib header, one final stored deflate block, Adler-32 of the raw rows.
    std::string zlib("\x78\x01\x01", 3);
    putLe16(zlib, static_cast<std::uint32_t>(raw.size()));
    putLe16(zlib, static_cast<std::uint32_t>(~raw.size() & 0xffff));
    zlib += raw;
    putBe32(zlib, adler32(raw));

    std::string out("\x89PNG\r\n\x1a\n", 8);
    pngChunk(out, "IHDR", ihdr);
    const std::size_t tail = 12 + zlib.size() + 12;
    const std::int64_t padding = size - static_cast<std::int64_t>(out.size() + 12 + tail);
    if (padding < 0)
        return std::string();
    // Ancillary, private, safe to copy: any reader skips it.
    pngChunk(out, "twPd", std::string(static_cast<std::size_t>(padding), 'p'));
    pngChunk(out, "IDAT", zlib);
    pngChunk(out, "IEND", "");
    return out;
}

// 8x8 gray, baseline, every sample 128: one block whose DC difference and AC run are both the
// only code of a one-entry Huffman table.
std::string jpeg(std::int64_t size)
{
    std::string tables;
    tables += std::string("\xff\xdb\x00\x43\x00", 5) + std::string(64, '\x01');
    tables += std::string("\xff\xc0\x00\x0b\x08\x00\x08\x00\x08\x01\x01\x11\x00", 13);
    for (const char tableClass : {'\x00', '\x10'}) {
        tables += std::string("\xff\xc4\x00\x14", 4);
        tables += tableClass;
        tables += '\x01';
        tables += std::string(15, '\0');
        tables += '\0';
    }
    tables += std::string("\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00", 10);
    // Bits 0 (DC) and 0 (end of block), then ones to the byte's end.
    tables += '\x3f';
    tables += std::string("\xff\xd9", 2);

    std::int64_t padding = size - 2 - static_cast<std::int64_t>(tables.size());
    if (padding < 4)
        return std::string();
    std::string out("\xff\xd8", 2);
    // Comment segments of at most 65533 bytes each; every one takes 4 bytes of marker and length.
    const std::int64_t segments = (padding + 65536) / 65537;
    for (std::int64_t i = 0; i < segments; ++i) {
        const std::int64_t take = padding / (segments - i);
        padding -= take;
        out += std::string("\xff\xfe", 2);
        putBe16(out, static_cast<std::uint32_t>(take - 2));
        out += std::string(static_cast<std::size_t>(take - 4), 'c');
    }
    return out + tables;
}

// 2x2 with a two-colour table, red and blue on the diagonals; the LZW codes (3 bits each) clear
// the table before every pixel, so no code ever grows.
std::string gif(std::int64_t size)
{
    std::string head("GIF89a", 6);
    putLe16(head, 2);
    putLe16(head, 2);
    head += std::string("\x80\x00\x00", 3);
    head += std::string("\xff\x00\x00\x00\x00\xff", 6);
    std::string image("\x2c", 1);
    putLe32(image, 0);
    putLe16(image, 2);
    putLe16(image, 2);
    image += '\0';
    image += '\x02';
    std::uint32_t bits = 0;
    int used = 0;
    std::string codes;
    for (const std::uint32_t code : {4u, 0u, 4u, 1u, 4u, 1u, 4u, 0u, 5u}) {
        bits |= code << used;
        used += 3;
        while (used >= 8) {
            codes += static_cast<char>(bits & 0xff);
            bits >>= 8;
            used -= 8;
        }
    }
    if (used > 0)
        codes += static_cast<char>(bits & 0xff);

    const std::int64_t fixed =
        static_cast<std::int64_t>(head.size() + image.size() + codes.size()) + 1 + 1 + 1;
    // A comment extension takes 3 bytes, and each of its sub-blocks 2 to 256.
    std::int64_t rest = size - fixed - 3;
    if (rest < 0)
        return std::string();
    bool splitData = false;
    if (rest == 1) {
        // One byte more than an empty comment: the image data goes in two sub-blocks instead.
        splitData = true;
        rest = 0;
    }
    std::string out = head + "\x21\xfe";
    const std::int64_t blocks = (rest + 255) / 256;
    for (std::int64_t i = 0; i < blocks; ++i) {
        const std::int64_t take = rest / (blocks - i);
        rest -= take;
        out += static_cast<char>(take - 1);
        out += std::string(static_cast<std::size_t>(take - 1), 'c');
    }
    out += '\0';
    out += image;
    if (splitData) {
        out += '\x01';
        out += codes.substr(0, 1);
        out += static_cast<char>(codes.size() - 1);
        out += codes.substr(1);
    } else {
        out += static_cast<char>(codes.size());
        out += codes;
    }
    out += '\0';
    out += ';';
    return out;
}

// 2x2 gray, uncompressed, one strip; the padding follows the directory.
std::string tiff(std::int64_t size)
{
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t value;
    };
    const Entry entries[] = {
        {256, 3, 2}, {257, 3, 2}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
        {273, 4, 8}, {277, 3, 1}, {278, 3, 2}, {279, 4, 4},
    };
    std::string out("II*\0", 4);
    putLe32(out, 12);
    out += std::string("\x00\xff\x80\x40", 4);
    putLe16(out, static_cast<std::uint32_t>(std::size(entries)));
    for (const Entry& entry : entries) {
        putLe16(out, entry.tag);
        putLe16(out, entry.type);
        putLe32(out, 1);
        if (entry.type == 3) {
            putLe16(out, entry.value);
            putLe16(out, 0);
        } else {
            putLe32(out, entry.value);
        }
    }
    putLe32(out, 0);
    if (size < static_cast<std::int64_t>(out.size()))
        return std::string();
    return out + std::string(static_cast<std::size_t>(size) - out.size(), '\0');
}

std::string pdfWithPadding(std::int64_t padding)
{
    std::string out = "%PDF-1.4\n";
    if (padding == 1)
        out += "\n";
    else if (padding >= 2)
        out += "%" + std::string(static_cast<std::size_t>(padding - 2), 'x') + "\n";
    const char* objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>",
    };
    std::string xref = "xref\n0 4\n0000000000 65535 f \n";
    int number = 1;
    for (const char* object : objects) {
        std::string offset = std::to_string(out.size());
        xref += std::string(10 - offset.size(), '0') + offset + " 00000 n \n";
        out += std::to_string(number++) + " 0 obj\n" + object + "\nendobj\n";
    }
    const std::size_t start = out.size();
    return out + xref + "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + std::to_string(start) +
           "\n%%EOF\n";
}

// One page; the padding is a comment line after the header, so every offset is computed after it.
std::string pdf(std::int64_t size)
{
    std::int64_t padding = size - static_cast<std::int64_t>(pdfWithPadding(0).size());
    // The offsets' digits grow with the padding; settle on the padding that gives the size.
    for (int round = 0; round < 4 && padding >= 0; ++round) {
        const std::int64_t got = static_cast<std::int64_t>(pdfWithPadding(padding).size());
        if (got == size)
            return pdfWithPadding(padding);
        padding += size - got;
    }
    return std::string();
}

std::string toLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

FakeKind fakeKindOfPath(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return FakeKind::other;
    const std::string suffix = toLower(path.substr(dot + 1));
    if (suffix == "png")
        return FakeKind::png;
    if (suffix == "jpg" || suffix == "jpeg")
        return FakeKind::jpeg;
    if (suffix == "gif")
        return FakeKind::gif;
    if (suffix == "tif" || suffix == "tiff")
        return FakeKind::tiff;
    if (suffix == "pdf")
        return FakeKind::pdf;
    if (suffix == "exe" || suffix == "dll")
        return FakeKind::executable;
    return FakeKind::other;
}

std::int64_t fakeImageMinimum(FakeKind kind)
{
    std::int64_t size = 0;
    while (size < 4096 && fakeImage(kind, size) == pattern(size))
        ++size;
    return size == 4096 ? 0 : size;
}

std::string fakeImage(FakeKind kind, std::int64_t size, bool variant)
{
    std::string content;
    switch (kind) {
    case FakeKind::png:
        content = png(size, variant);
        break;
    case FakeKind::jpeg:
        content = jpeg(size);
        break;
    case FakeKind::gif:
        content = gif(size);
        break;
    case FakeKind::tiff:
        content = tiff(size);
        break;
    case FakeKind::pdf:
        content = pdf(size);
        break;
    case FakeKind::executable:
        // The fake packer's self-test passes any file; the header only makes it look the part.
        if (size >= 2)
            content = "MZ" + pattern(size - 2);
        break;
    case FakeKind::other:
        break;
    }
    if (content.empty() || static_cast<std::int64_t>(content.size()) != size)
        return pattern(size);
    return content;
}
