#include "json/json_writer.h"

#include <string_view>
#include <vector>

#include "json/json_escape.h"

namespace {

constexpr std::int32_t compact = -1;

struct Style {
    bool formatted; // one child per line, comments kept
    bool standard;  // strings and names escaped with escapeJsonStandard
};

// Any other negative indentation is written as depth 0.
std::size_t tabs(std::int64_t depth)
{
    return depth > 0 ? static_cast<std::size_t>(depth) : 0;
}

void appendLineLead(std::string& out, std::int64_t depth)
{
    out += "\r\n";
    out.append(tabs(depth), '\t');
}

// An object member always gets its name, even an empty one: without it the member would be
// written as a bare value, which no parser reads back as a member.
void appendPrefix(std::string& out, const jsonNode& node, const Style& style, bool inObject)
{
    if (node.getName().empty() && !inObject)
        return;
    out += '"';
    // Settings files have always carried their names as they are.
    out += style.standard ? escapeJsonStandard(node.getName()) : node.getName();
    out += '"';
    out += style.formatted ? " : " : ":";
}

bool isContainer(const jsonNode& node)
{
    return node.getKind() == jsonArray || node.getKind() == jsonObject;
}

// One container whose children are being written. Containers are kept on an explicit stack,
// so a deeply nested document cannot exhaust the call stack.
struct OpenContainer {
    jsonNode* node;
    std::int64_t depth; // indentation of the container itself
    std::size_t next;   // index of the next child to write
    bool commaAfter;    // whether the container's own parent wants a comma after it
};

// Writes `node` (not a container about to be opened) and says whether it counts as a value.
bool writeLeaf(std::string& out, jsonNode& node, std::int64_t depth, const Style& style,
               bool inObject)
{
    if (node.getKind() == jsonComment) {
        if (style.formatted)
            out += writeComment(node, static_cast<std::int32_t>(depth));
        return false;
    }
    appendPrefix(out, node, style, inObject);
    if (node.getKind() == jsonString && node.isExpanded()) {
        out += '"';
        out += style.standard ? escapeJsonStandard(node.rawText()) : escapeJson(node.rawText());
        out += '"';
    } else {
        out += node.rawText();
    }
    return true;
}

// Whether toText opens the node and writes its children, rather than writing stored text.
bool opensAsContainer(const jsonNode& node, bool formatted)
{
    return isContainer(node) && (formatted || node.isExpanded());
}

void closeContainer(std::string& out, const OpenContainer& open, bool formatted)
{
    // An empty container has nothing between its brackets, not even a line end.
    if (formatted && open.node->getChildCount() != 0)
        appendLineLead(out, open.depth);
    out += open.node->getKind() == jsonArray ? ']' : '}';
    if (open.commaAfter)
        out += ',';
}

// Writes the children of `root`, expanding it first, and with `withBrackets` the root itself:
// its prefix and brackets.
void writeTree(std::string& out, jsonNode& root, std::int64_t depth, const Style& style,
               bool withBrackets)
{
    const bool formatted = style.formatted;
    std::vector<OpenContainer> stack;
    if (withBrackets) {
        appendPrefix(out, root, style, false);
        out += root.getKind() == jsonArray ? '[' : '{';
    }
    root.expand();
    stack.push_back({&root, depth, 0, false});
    while (!stack.empty()) {
        OpenContainer& top = stack.back();
        jsonNode& parent = *top.node;
        if (top.next >= parent.getChildCount()) {
            if (stack.size() > 1 || withBrackets) {
                closeContainer(out, top, formatted);
            } else if (formatted && parent.getChildCount() != 0) {
                appendLineLead(out, top.depth);
            }
            stack.pop_back();
            continue;
        }
        std::size_t index = top.next++;
        std::int64_t childDepth = top.depth + 1;
        std::uint32_t lastComma = parent.storedChildCount() - 1u; // unsigned on purpose
        jsonNode& child = *parent.childAt(index);
        if (formatted)
            appendLineLead(out, childDepth);
        bool commaAfter = index < lastComma;
        bool inObject = parent.getKind() == jsonObject;
        if (opensAsContainer(child, formatted)) {
            appendPrefix(out, child, style, inObject);
            out += child.getKind() == jsonArray ? '[' : '{';
            child.expand();
            stack.push_back({&child, childDepth, 0, commaAfter}); // `top` is invalid from here on
            continue;
        }
        if (writeLeaf(out, child, childDepth, style, inObject) && commaAfter)
            out += ',';
    }
}

std::string writeNode(jsonNode& node, std::int32_t indentation, const Style& style)
{
    std::string out;
    if (opensAsContainer(node, style.formatted)) {
        writeTree(out, node, indentation, style, true);
    } else {
        writeLeaf(out, node, indentation, style, false);
    }
    return out;
}

} // namespace

std::string toText(jsonNode& node, std::int32_t indentation)
{
    return writeNode(node, indentation, Style{indentation != compact, false});
}

std::string toStandardText(jsonNode& node)
{
    return writeNode(node, compact, Style{false, true});
}

std::string toFormattedText(jsonNode& node)
{
    return toText(node, 0);
}

std::string writeChildren(jsonNode& node, std::int32_t indentation)
{
    std::string out;
    writeTree(out, node, indentation, Style{indentation != compact, false}, false);
    return out;
}

std::string writeComment(const jsonNode& comment, std::int32_t indentation)
{
    std::string_view text = comment.rawText();
    if (text.find('\n') == std::string_view::npos)
        return "//" + std::string(text);
    const std::int64_t depth = indentation;
    std::string out = "/*";
    appendLineLead(out, depth + 1);
    std::size_t lineStart = 0;
    for (;;) {
        std::size_t lineFeed = text.find('\n', lineStart);
        if (lineFeed == std::string_view::npos)
            break;
        std::size_t lineEnd = lineFeed;
        if (lineEnd > lineStart && text[lineEnd - 1] == '\r')
            --lineEnd;
        out.append(text.substr(lineStart, lineEnd - lineStart));
        appendLineLead(out, depth + 1);
        lineStart = lineFeed + 1;
    }
    // The last line; after a final line feed it is empty.
    out.append(text.substr(lineStart));
    appendLineLead(out, depth);
    out += "*/";
    return out;
}
