#pragma once
// A JSON document as a tree of lazily expanded nodes: a node built from JSON text keeps that
// text and splits it into children (or decodes its escapes) only when it is first read.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum jsonKind : std::uint8_t {
    jsonNull = 0,
    jsonString = 1,
    jsonNumber = 2,
    jsonBool = 3,
    jsonArray = 4,
    jsonObject = 5,
    jsonComment = 6,
};

class jsonNode {
public:
    // An expanded node of the kind with empty name and text and no children.
    explicit jsonNode(jsonKind kind);
    // A node named `name` whose value is the raw JSON text (classified by its first byte).
    jsonNode(std::string_view name, std::string_view rawText);
    // Deletes every descendant; deep trees are released without recursion.
    ~jsonNode();
    jsonNode(const jsonNode&) = delete;
    jsonNode& operator=(const jsonNode&) = delete;

    jsonKind getKind() const { return kind; }
    const std::string& getName() const { return name; }
    // Decoded value of a string; raw text of null, number and boolean; empty for containers.
    const std::string& getString();
    // The value of a boolean node; false for any other kind.
    bool asBool() const;
    // The value of a number node; 0 for any other kind.
    double asFloat() const;
    // The number truncated toward zero, clamped to the 32-bit range; 0 for other kinds.
    std::int32_t asInt() const;
    // Number of children, comments included.
    std::size_t getChildCount();
    // Child at a zero-based index; null when the index is out of range.
    jsonNode* childAt(std::size_t index);

    // First child named exactly `childName`, or null.
    jsonNode* findChild(std::string_view childName);
    // First child whose name matches with ASCII letters folded, or null.
    jsonNode* findChildNoCase(std::string_view childName);
    // As the lookups, but the child is taken out; the caller owns it.
    jsonNode* detachChild(std::string_view childName);
    jsonNode* detachChildNoCase(std::string_view childName);
    // Takes out the child at the index without expanding; null when out of range.
    jsonNode* detachChildAt(std::size_t index);

    // Appends a child built from raw JSON text and returns it (owned by this node).
    jsonNode* addChild(std::string_view childName, std::string_view rawText);
    // Appends a string child holding the plain value and returns it.
    jsonNode* addStringChild(std::string_view childName, std::string_view value);
    // Takes ownership of `child` and returns the new number of children.
    std::size_t appendChild(jsonNode* child);
    // Appends a comment; it does not count for comma placement.
    void addComment(std::string_view commentText);
    // Replaces the value by raw JSON text; the name stays.
    void setText(std::string_view rawText);
    // Makes `value` the node's decoded string value; the kind stays.
    void setStringValue(std::string_view value);
    // Deletes every child; the stored count is left as it was.
    void clearChildren();

    // Splits the raw text into children or decodes the string, once.
    void expand();
    bool isExpanded() const { return expanded; }
    // The stored text as it is, without expanding.
    const std::string& rawText() const { return text; }
    // The count the writer places commas by.
    std::uint32_t storedChildCount() const { return childCount; }

private:
    friend jsonNode* createStringNode(std::string_view name, std::string_view value);
    friend jsonNode* cloneNode(const jsonNode* node);
    friend void splitArray(jsonNode& node, std::string_view arrayText);
    friend void splitObject(jsonNode& node, std::string_view objectText);
    friend jsonNode* parseDocument(std::string_view jsonText);

    void classifyText(std::string_view rawText);
    void appendRaw(std::string_view childName, std::string_view rawText);
    void syncChildCount();
    jsonNode* takeChild(std::size_t index);

    jsonKind kind = jsonNull;
    bool expanded = true;
    std::string name;
    std::string text;
    bool boolValue = false;
    float numberValue = 0.0f;
    std::vector<jsonNode*> children;
    std::uint32_t childCount = 0;
};

// A new node from a name and raw JSON text; the caller frees it with deleteNode.
jsonNode* createNode(std::string_view name, std::string_view rawText);
// A new string node whose value is `value` as given (no escapes decoded).
jsonNode* createStringNode(std::string_view name, std::string_view value);
// A deep copy, expansion state included; null for null.
jsonNode* cloneNode(const jsonNode* node);
// Frees a node and all its descendants; null does nothing.
void deleteNode(jsonNode* node);

struct jsonNodeDeleter {
    void operator()(jsonNode* node) const { deleteNode(node); }
};
using jsonNodePtr = std::unique_ptr<jsonNode, jsonNodeDeleter>;
