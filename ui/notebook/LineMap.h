#pragma once

#include <map>
#include <vector>

namespace VexilUI {

// Follows an edit in a map keyed by 0-based line: the entries of the removed lines from first on go,
// and those after them move by inserted - removed. Moves nodes, never copies a value. Answers whether
// any entry went or moved.
template <class T> bool spliceLines(std::map<int, T>& map, int first, int removed, int inserted) {
    const auto begin = map.lower_bound(first);
    const auto after = map.lower_bound(first + removed);
    bool changed = begin != after;
    map.erase(begin, after);
    const int delta = inserted - removed;
    if (delta == 0 || after == map.end()) return changed;
    std::vector<typename std::map<int, T>::node_type> moved;
    for (auto it = after; it != map.end();)
        moved.push_back(map.extract(it++));
    for (auto& node : moved) {
        node.key() += delta;
        map.insert(map.end(), std::move(node));
    }
    return true;
}

} // namespace VexilUI
