#include "json/json_parser.h"

namespace {

// The bytes [from, to) of the text, clamped to it; empty when the range is empty.
std::string_view slice(std::string_view text, std::size_t from, std::size_t to)
{
    if (to > text.size())
        to = text.size();
    if (from >= to)
        return {};
    return text.substr(from, to - from);
}

bool isDropped(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

} // namespace

jsonNode* parseDocument(std::string_view jsonText)
{
    std::string m = minifyJson(jsonText);
    if (m.empty())
        return nullptr;
    if (m.front() == '[') {
        if (m.size() < 2 || m.back() != ']')
            return nullptr;
        jsonNode* root = new jsonNode(jsonArray);
        splitArray(*root, m);
        root->syncChildCount();
        return root;
    }
    if (m.front() == '{') {
        if (m.size() < 2 || m.back() != '}')
            return nullptr;
        return createNode("", m);
    }
    return nullptr;
}

std::string minifyJson(std::string_view jsonText)
{
    std::string out;
    out.reserve(jsonText.size());
    const std::size_t n = jsonText.size();
    std::size_t i = 0;
    while (i < n) {
        char c = jsonText[i];
        if (isDropped(c)) {
            ++i;
        } else if (c == '"') {
            out += c;
            ++i;
            while (i < n) {
                char s = jsonText[i++];
                if (s == '"') {
                    out += s;
                    break;
                }
                out += s;
                if (s == '\\' && i < n) {
                    char escaped = jsonText[i++];
                    out += escaped == '"' ? '\x01' : escaped;
                }
            }
        } else if (c == '/' && i + 1 < n && jsonText[i + 1] == '*') {
            // The closing star must come after the opening one: "/*/" opens and does not close.
            std::size_t close = jsonText.find("*/", i + 2);
            i = close == std::string_view::npos ? n : close + 2;
        } else if (c == '/' && i + 1 < n && jsonText[i + 1] == '/') {
            std::size_t lineEnd = jsonText.find('\n', i + 2);
            i = lineEnd == std::string_view::npos ? n : lineEnd + 1;
        } else if (c == '/') {
            // Not valid JSON: the slash goes with the byte after it (if any). Keeping it could let
            // a later pass read "/ /" or "/ *", once the blank is gone, as a comment.
            i += 2;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::size_t findTopLevel(char wanted, std::string_view text, std::size_t start)
{
    std::size_t brackets = 0;
    std::size_t braces = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        char c = text[i];
        if (c == wanted && brackets == 0 && braces == 0)
            return i;
        switch (c) {
        case '"': {
            std::size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos)
                return jsonNotFound;
            i = close;
            break;
        }
        case '[':
            ++brackets;
            break;
        case '{':
            ++braces;
            break;
        case ']':
            if (brackets == 0)
                return jsonNotFound;
            --brackets;
            break;
        case '}':
            if (braces == 0)
                return jsonNotFound;
            --braces;
            break;
        default:
            break;
        }
    }
    return jsonNotFound;
}

void splitArray(jsonNode& node, std::string_view arrayText)
{
    const std::size_t n = arrayText.size();
    if (n <= 2)
        return;
    std::size_t start = 1;
    for (;;) {
        std::size_t comma = findTopLevel(',', arrayText, start);
        if (comma == jsonNotFound)
            break;
        node.appendRaw("", slice(arrayText, start, comma));
        start = comma + 1;
    }
    node.appendRaw("", slice(arrayText, start, n - 1));
}

void splitObject(jsonNode& node, std::string_view objectText)
{
    const std::size_t n = objectText.size();
    if (n <= 2)
        return;
    // Each member is cut by position: its name lies between the byte after its start (the
    // opening quote) and the byte before the colon (the closing quote). The colon is looked for
    // only up to the member's own end, so a member without one becomes a name with a null
    // value instead of swallowing the next member's name, and no member is scanned twice.
    std::size_t start = 1;
    for (;;) {
        std::size_t comma = findTopLevel(',', objectText, start);
        std::size_t end = comma == jsonNotFound ? n - 1 : comma;
        std::size_t colon = findTopLevel(':', objectText.substr(0, end), start);
        if (colon == jsonNotFound) {
            node.appendRaw(slice(objectText, start + 1, end - 1), "");
        } else {
            node.appendRaw(slice(objectText, start + 1, colon - 1),
                           slice(objectText, colon + 1, end));
        }
        if (comma == jsonNotFound)
            return;
        start = comma + 1;
    }
}
