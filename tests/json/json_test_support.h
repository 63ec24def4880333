#pragma once
// Helpers shared by the JSON tests.

#include <string>
#include <vector>

#include "json/json_node.h"
#include "json/json_writer.h"

// Expands every node of the tree (strings included), without recursion.
inline void expandAll(jsonNode& root)
{
    std::vector<jsonNode*> pending{&root};
    while (!pending.empty()) {
        jsonNode* node = pending.back();
        pending.pop_back();
        node->expand();
        for (std::size_t i = 0; i < node->getChildCount(); ++i)
            pending.push_back(node->childAt(i));
    }
}

// The compact text of the fully expanded tree.
inline std::string expandedCompact(jsonNode& root)
{
    expandAll(root);
    return toText(root, -1);
}
