#include "json/json_node.h"

#include <cmath>
#include <limits>
#include <utility>

#include "json/json_escape.h"
#include "json/json_number.h"
#include "json/json_parser.h"

namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The child's letter matches the given byte in either case; nothing else is folded.
bool sameNameNoCase(std::string_view given, std::string_view childName)
{
    if (given.size() != childName.size())
        return false;
    for (std::size_t i = 0; i < given.size(); ++i) {
        char g = given[i];
        char c = childName[i];
        if (g == c)
            continue;
        if (c >= 'A' && c <= 'Z' && g == lowerAscii(c))
            continue;
        if (c >= 'a' && c <= 'z' && g == upperAscii(c))
            continue;
        return false;
    }
    return true;
}

} // namespace

jsonNode::jsonNode(jsonKind nodeKind) : kind(nodeKind) {}

jsonNode::jsonNode(std::string_view nodeName, std::string_view rawText) : name(nodeName)
{
    classifyText(rawText);
}

jsonNode::~jsonNode()
{
    // Each node on the stack gives up its children before it is deleted, so a destructor
    // never recurses further than one level, however deep the tree.
    std::vector<jsonNode*> pending = std::move(children);
    while (!pending.empty()) {
        jsonNode* node = pending.back();
        pending.pop_back();
        for (jsonNode* child : node->children)
            pending.push_back(child);
        node->children.clear();
        delete node;
    }
}

void jsonNode::classifyText(std::string_view rawText)
{
    if (rawText.empty()) {
        kind = jsonNull;
        text.clear();
        return;
    }
    text.assign(rawText);
    switch (rawText.front()) {
    case '"':
        kind = jsonString;
        expanded = false;
        break;
    case '[':
        kind = jsonArray;
        expanded = false;
        break;
    case '{':
        kind = jsonObject;
        expanded = false;
        break;
    case 't':
        kind = jsonBool;
        boolValue = true;
        break;
    case 'f':
        kind = jsonBool;
        boolValue = false;
        break;
    case 'n':
        kind = jsonNull;
        break;
    default:
        kind = jsonNumber;
        numberValue = numberFromText(text);
        break;
    }
}

void jsonNode::expand()
{
    if (expanded)
        return;
    switch (kind) {
    case jsonString:
        text = text.size() < 2 ? std::string()
                               : unescapeJson(std::string_view(text).substr(1, text.size() - 2));
        break;
    case jsonArray: {
        std::string raw = std::move(text);
        text.clear();
        splitArray(*this, raw);
        break;
    }
    case jsonObject: {
        std::string raw = std::move(text);
        text.clear();
        splitObject(*this, raw);
        break;
    }
    default:
        break;
    }
    expanded = true;
    syncChildCount();
}

void jsonNode::appendRaw(std::string_view childName, std::string_view rawText)
{
    children.push_back(new jsonNode(childName, rawText));
}

void jsonNode::syncChildCount()
{
    childCount = static_cast<std::uint32_t>(children.size());
}

const std::string& jsonNode::getString()
{
    expand();
    return text;
}

bool jsonNode::asBool() const
{
    return kind == jsonBool && boolValue;
}

double jsonNode::asFloat() const
{
    return kind == jsonNumber ? numberValue : 0.0;
}

std::int32_t jsonNode::asInt() const
{
    if (kind != jsonNumber || std::isnan(numberValue))
        return 0;
    // Out of range the conversion would be undefined; the nearest 32-bit value is the sound answer.
    if (numberValue >= 2147483648.0f)
        return std::numeric_limits<std::int32_t>::max();
    if (numberValue <= -2147483648.0f)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(numberValue);
}

std::size_t jsonNode::getChildCount()
{
    expand();
    return children.size();
}

jsonNode* jsonNode::childAt(std::size_t index)
{
    expand();
    return index < children.size() ? children[index] : nullptr;
}

jsonNode* jsonNode::findChild(std::string_view childName)
{
    expand();
    for (jsonNode* child : children) {
        if (child->name == childName)
            return child;
    }
    return nullptr;
}

jsonNode* jsonNode::findChildNoCase(std::string_view childName)
{
    expand();
    for (jsonNode* child : children) {
        if (sameNameNoCase(childName, child->name))
            return child;
    }
    return nullptr;
}

jsonNode* jsonNode::takeChild(std::size_t index)
{
    if (index >= children.size())
        return nullptr;
    jsonNode* child = children[index];
    children.erase(children.begin() + static_cast<std::ptrdiff_t>(index));
    // Comments after the last value stay out of the count, as addComment keeps them out:
    // counting them would put a comma behind the last value.
    std::size_t counted = children.size();
    while (counted > 0 && children[counted - 1]->kind == jsonComment)
        --counted;
    childCount = static_cast<std::uint32_t>(counted);
    return child;
}

jsonNode* jsonNode::detachChild(std::string_view childName)
{
    expand();
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i]->name == childName)
            return takeChild(i);
    }
    return nullptr;
}

jsonNode* jsonNode::detachChildNoCase(std::string_view childName)
{
    expand();
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (sameNameNoCase(childName, children[i]->name))
            return takeChild(i);
    }
    return nullptr;
}

jsonNode* jsonNode::detachChildAt(std::size_t index)
{
    return takeChild(index);
}

jsonNode* jsonNode::addChild(std::string_view childName, std::string_view rawText)
{
    jsonNode* child = new jsonNode(childName, rawText);
    appendChild(child);
    return child;
}

jsonNode* jsonNode::addStringChild(std::string_view childName, std::string_view value)
{
    jsonNode* child = createStringNode(childName, value);
    appendChild(child);
    return child;
}

std::size_t jsonNode::appendChild(jsonNode* child)
{
    expand();
    if (child != nullptr && child != this)
        children.push_back(child);
    syncChildCount();
    return children.size();
}

void jsonNode::addComment(std::string_view commentText)
{
    jsonNode* comment = new jsonNode(jsonComment);
    comment->text.assign(commentText);
    expand();
    children.push_back(comment);
}

void jsonNode::setText(std::string_view rawText)
{
    // Children of any kind go: a node that becomes unexpanded must have none, or expanding it
    // would mix the old children with those split from the new text.
    clearChildren();
    classifyText(rawText);
}

void jsonNode::setStringValue(std::string_view value)
{
    text.assign(value);
    expanded = true;
}

void jsonNode::clearChildren()
{
    std::vector<jsonNode*> old = std::move(children);
    children.clear();
    for (jsonNode* child : old)
        delete child;
}

jsonNode* createNode(std::string_view name, std::string_view rawText)
{
    return new jsonNode(name, rawText);
}

jsonNode* createStringNode(std::string_view name, std::string_view value)
{
    jsonNode* node = new jsonNode(jsonString);
    node->name.assign(name);
    node->text.assign(value);
    return node;
}

jsonNode* cloneNode(const jsonNode* node)
{
    if (node == nullptr)
        return nullptr;
    auto copyFields = [](const jsonNode& from) {
        jsonNode* to = new jsonNode(from.kind);
        to->expanded = from.expanded;
        to->name = from.name;
        to->text = from.text;
        to->boolValue = from.boolValue;
        to->numberValue = from.numberValue;
        to->childCount = from.childCount;
        return to;
    };
    // An explicit stack keeps deep trees off the call stack.
    jsonNode* root = copyFields(*node);
    std::vector<std::pair<const jsonNode*, jsonNode*>> pending{{node, root}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        to->children.reserve(from->children.size());
        for (const jsonNode* child : from->children) {
            jsonNode* copy = copyFields(*child);
            to->children.push_back(copy);
            pending.emplace_back(child, copy);
        }
    }
    return root;
}

void deleteNode(jsonNode* node)
{
    delete node;
}
