#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

class NodeStore;
class ServiceList;

// The filter box above the service list: which rows show for the text typed. A row shows when
// its service name contains the text (folded as FoldName folds, so case and the written form of
// Arabic letters do not matter) or its service ID equals the text read as a number. The filter is
// the view's only: it changes neither the document nor the row numbers.
class RowFilter final {
public:
    explicit RowFilter(const NodeStore& store) : m_store(store) {}

    // Whether any text is set.
    bool IsActive() const { return !m_text.empty(); }
    const std::string& Text() const { return m_text; }
    void SetText(std::string_view text);

    // Whether row of list shows under the text (every row without a text).
    bool Passes(const ServiceList& list, int row) const;
    // The rows' names and IDs are read again when next needed: after the list changed.
    void Forget() { m_rows.clear(); }

private:
    struct RowKey {
        std::u16string name;
        std::optional<std::uint32_t> id;
    };
    const RowKey& KeyOf(const ServiceList& list, int row) const;

    const NodeStore& m_store;
    std::string m_text;
    std::u16string m_folded;
    std::optional<std::uint32_t> m_id;
    mutable std::vector<std::optional<RowKey>> m_rows;
};

} // namespace torvane
