#include "image/kind_checks.h"

#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>
#include <vector>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "image/raster.h"

namespace {

// Feeds what is piped through it into a hash, so a stream is never held whole.
class HashPipeline : public Pipeline {
public:
    HashPipeline() : Pipeline("hash", nullptr), state(XXH3_createState())
    {
        XXH3_128bits_reset(state);
    }
    ~HashPipeline() override { XXH3_freeState(state); }
    HashPipeline(const HashPipeline&) = delete;
    HashPipeline& operator=(const HashPipeline&) = delete;

    void write(unsigned char const* data, size_t length) override
    {
        XXH3_128bits_update(state, data, length);
    }
    void finish() override {}

    void add(const std::string& text)
    {
        // The length first, so that no two sequences of pieces hash as the same bytes.
        const std::uint64_t size = text.size();
        XXH3_128bits_update(state, &size, sizeof size);
        XXH3_128bits_update(state, text.data(), text.size());
    }
    void reset() { XXH3_128bits_reset(state); }
    std::string digest() const
    {
        const XXH128_hash_t hash = XXH3_128bits_digest(state);
        std::string out(sizeof hash.low64 * 2, '\0');
        std::memcpy(out.data(), &hash.low64, sizeof hash.low64);
        std::memcpy(out.data() + sizeof hash.low64, &hash.high64, sizeof hash.high64);
        return out;
    }

private:
    XXH3_state_t* state;
};

// Hashes what a page shows: its dictionary (inherited attributes pushed down) and everything it
// reaches (content, resources, images, fonts, annotations), streams decoded. Objects are named
// by the order they are first met, so renumbering, object streams and recompression change
// nothing. A reference to another page stands for that page's number: links between pages would
// otherwise make every page reach the whole document.
class PageHasher {
public:
    explicit PageHasher(const std::map<QPDFObjGen, std::size_t>& pageNumbers)
        : pageNumbers(pageNumbers)
    {}

    std::string hashPage(QPDFObjectHandle page)
    {
        seen.clear();
        hash.reset();
        seen.emplace(page.getObjGen(), 0);
        addDictionary(page, {"/Parent"});
        return hash.digest();
    }

private:
    void add(QPDFObjectHandle object)
    {
        if (object.isIndirect()) {
            const QPDFObjGen id = object.getObjGen();
            if (const auto page = pageNumbers.find(id); page != pageNumbers.end()) {
                hash.add("page " + std::to_string(page->second));
                return;
            }
            if (const auto known = seen.find(id); known != seen.end()) {
                hash.add("object " + std::to_string(known->second));
                return;
            }
            seen.emplace(id, seen.size());
        }
        if (object.isStream()) {
            addStream(object);
        } else if (object.isDictionary()) {
            addDictionary(object, {});
        } else if (object.isArray()) {
            hash.add("[");
            for (int i = 0, count = object.getArrayNItems(); i < count; ++i)
                add(object.getArrayItem(i));
            hash.add("]");
        } else if (object.isString()) {
            // Literal and hexadecimal forms of one string are the same string.
            hash.add("(" + object.getStringValue());
        } else {
            hash.add(object.unparseResolved());
        }
    }

    void addDictionary(QPDFObjectHandle dictionary, const std::vector<std::string>& skipped)
    {
        hash.add("<<");
        for (const std::string& key : dictionary.getKeys()) {
            bool skip = false;
            for (const std::string& name : skipped)
                skip = skip || key == name;
            if (skip)
                continue;
            hash.add(key);
            add(dictionary.getKey(key));
        }
        hash.add(">>");
    }

    // The decoded data where the library can decode it without loss; otherwise the data as stored
    // together with its filters, so only the very same encoding compares equal.
    void addStream(QPDFObjectHandle stream)
    {
        // Pages share fonts and images: each stream's data is decoded once per document.
        auto known = streams.find(stream.getObjGen());
        if (known == streams.end())
            known = streams.emplace(stream.getObjGen(), hashStreamData(stream)).first;
        hash.add("stream");
        if (known->second.decoded)
            addDictionary(stream.getDict(), {"/Length", "/Filter", "/DecodeParms", "/DL"});
        else
            addDictionary(stream.getDict(), {"/Length"});
        hash.add(known->second.digest);
    }

    struct StreamData {
        bool decoded = false;
        std::string digest;
    };

    static StreamData hashStreamData(QPDFObjectHandle stream)
    {
        HashPipeline data;
        bool attempted = false;
        const bool piped =
            stream.pipeStreamData(&data, &attempted, 0, qpdf_dl_generalized, true, true);
        // Data stored without filters is its own decoded form, however the library counts it.
        QPDFObjectHandle filter = stream.getDict().getKey("/Filter");
        const bool unfiltered =
            filter.isNull() || (filter.isArray() && filter.getArrayNItems() == 0);
        const bool decoded = piped && (attempted || unfiltered);
        if (!decoded) {
            data.reset();
            data.add("raw");
            if (!stream.pipeStreamData(&data, nullptr, 0, qpdf_dl_none, true, false))
                throw std::runtime_error("unreadable stream");
        }
        return {decoded, data.digest()};
    }

    const std::map<QPDFObjGen, std::size_t>& pageNumbers;
    std::map<QPDFObjGen, std::size_t> seen;
    std::map<QPDFObjGen, StreamData> streams;
    HashPipeline hash;
};

struct PdfSummary {
    // One hash per page, in page order.
    std::vector<std::string> pages;
    // The library repairs many damaged files with warnings; a result that needs repair where
    // the original did not is damaged.
    bool repaired = false;
};

ReadStatus readPdf(const std::string& path, PdfSummary& summary)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        // Reads every object, so damage in objects no page refers to is found as well.
        pdf.getAllObjects();
        summary.repaired = pdf.anyWarnings();
        QPDFPageDocumentHelper document(pdf);
        // The same page may keep its attributes in the tree or in itself.
        document.pushInheritedAttributesToPage();
        const std::vector<QPDFPageObjectHelper> pages = document.getAllPages();
        std::map<QPDFObjGen, std::size_t> pageNumbers;
        for (std::size_t i = 0; i < pages.size(); ++i)
            pageNumbers.emplace(pages[i].getObjectHandle().getObjGen(), i);
        PageHasher hasher(pageNumbers);
        for (const QPDFPageObjectHelper& page : pages)
            summary.pages.push_back(hasher.hashPage(page.getObjectHandle()));
    } catch (const std::exception&) {
        return ReadStatus::broken;
    }
    return ReadStatus::ok;
}

} // namespace

bool isEncryptedPdf(const std::string& path)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        return pdf.isEncrypted();
    } catch (const QPDFExc& error) {
        // A user password is needed to open it at all.
        return error.getErrorCode() == qpdf_e_password;
    } catch (const std::exception&) {
        return false;
    }
}

CheckResult samePdf(const std::string& before, const std::string& after)
{
    PdfSummary original;
    if (const ReadStatus status = readPdf(before, original); status != ReadStatus::ok)
        return readFailure(status, true);
    PdfSummary result;
    if (const ReadStatus status = readPdf(after, result); status != ReadStatus::ok)
        return readFailure(status, false);
    if (result.repaired && !original.repaired)
        return differs("it opens only with repairs");
    if (original.pages.size() != result.pages.size())
        return differs("the page count changed");
    if (original.pages != result.pages)
        return differs("a page's content changed");
    return sameResult();
}
