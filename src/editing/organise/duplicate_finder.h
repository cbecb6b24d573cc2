#pragma once

#include <string>
#include <vector>

namespace torvane {

class NodeStore;
class ServiceList;

// Services of the list that repeat another one of the same TP: rows in list order, the first the
// one that is kept.
struct DuplicateGroup {
    std::vector<int> rows;
};

// The groups of the rows the list shows: programs of one TP (sat_id and tp_id) with the same
// service ID, or, when the ID is 0, with the same name and the same video, audio and PCR PIDs.
// Only groups of two or more rows, ordered by their first row.
std::vector<DuplicateGroup> FindDuplicateGroups(const NodeStore& store, const ServiceList& list);

// Every row of the groups but the first of each, in ascending order: what Find Duplicates selects
// and what dedupe deletes.
std::vector<int> RepeatedRows(const std::vector<DuplicateGroup>& groups);

// What Find Duplicates says: "No duplicate services found." or "N duplicate services found."
// ("1 duplicate service found.").
std::string DuplicatesFoundText(std::size_t repeated);

} // namespace torvane
