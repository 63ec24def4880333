// Parses arbitrary bytes, expands the whole tree, writes it in both modes and reads back
// what must read back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_escape.h"
#include "json/json_node.h"
#include "json/json_parser.h"
#include "json/json_writer.h"

namespace {

void require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "json_fuzz: %s\n", what);
    std::abort();
}

// Expands every node and touches every accessor. Returns whether the tree is plain: no name
// holds a quote or backslash, no scalar's raw text holds a quote or bracket, and every
// container's raw text ends with its closing bracket. A written plain tree must read back as
// the same tree; in other trees writing can move where strings or containers end.
bool expandAll(jsonNode& root)
{
    bool plain = true;
    std::vector<jsonNode*> pending{&root};
    while (!pending.empty()) {
        jsonNode* node = pending.back();
        pending.pop_back();
        const std::string& name = node->getName();
        if (name.find_first_of("\"\\") != std::string::npos)
            plain = false;
        jsonKind kind = node->getKind();
        const std::string& raw = node->rawText();
        if ((kind == jsonNull || kind == jsonNumber || kind == jsonBool) &&
            raw.find_first_of("\"[]{}") != std::string::npos) {
            plain = false;
        }
        if (!node->isExpanded() && kind == jsonArray && raw.back() != ']')
            plain = false;
        if (!node->isExpanded() && kind == jsonObject && raw.back() != '}')
            plain = false;
        node->getString();
        (void)node->asBool();
        (void)node->asFloat();
        (void)node->asInt();
        std::size_t count = node->getChildCount();
        require(node->storedChildCount() == count, "expansion left a stale child count");
        for (std::size_t i = 0; i < count; ++i) {
            jsonNode* child = node->childAt(i);
            require(child != nullptr, "child missing below the count");
            require(node->findChild(child->getName()) != nullptr,
                    "a child's own name finds nothing");
            require(node->findChildNoCase(child->getName()) != nullptr,
                    "folded name finds nothing");
            pending.push_back(child);
        }
    }
    return plain;
}

std::string expandedCompact(std::string_view text, const char* what)
{
    jsonNodePtr again(parseDocument(text));
    require(again != nullptr, what);
    expandAll(*again);
    return toText(*again, compactText);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string minified = minifyJson(input);
    require(minifyJson(minified) == minified, "minifying twice changed the text");
    std::string decoded = unescapeJson(input);
    require(decoded.size() <= input.size(), "unescaping grew the text");
    std::string escaped = escapeJson(input);
    for (char c : escaped)
        require(c >= 0x20 && c <= 0x7E, "escaped text holds an unprintable byte");

    jsonNodePtr root(parseDocument(input));
    if (!root)
        return 0;
    // Nothing read yet: the compact writer gives back the minified text as it stood.
    require(toText(*root, compactText) == minified,
            "compact text of an unread tree is not the minified input");

    jsonNodePtr copy(cloneNode(root.get()));
    bool plain = expandAll(*copy);
    std::string compact = toText(*copy, compactText);
    std::string formatted = toText(*copy, 0);
    std::string children = writeChildren(*copy, 1);
    require(toText(*root, compactText) == minified, "the copy shares nodes with the original");

    if (plain) {
        require(expandedCompact(compact, "compact text does not parse") == compact,
                "compact text reads back as another tree");
        require(expandedCompact(formatted, "formatted text does not parse") == compact,
                "formatted text reads back as another tree");
    }

    // Detaching every child by name empties the container whatever the names are.
    while (copy->getChildCount() != 0) {
        jsonNodePtr taken(copy->detachChildNoCase(copy->childAt(0)->getName()));
        require(taken != nullptr, "detach by name found nothing");
    }
    require(copy->storedChildCount() == 0, "count not zero after detaching all");
    return 0;
}
