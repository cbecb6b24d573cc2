#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace torvane {

// A copy of a byte buffer in pages of 4 KiB. A copy taken with an earlier copy of the same
// buffer shares the pages that did not change, so that many copies of a buffer that changes a
// little at a time cost little more than one.
class PagedBytes final {
public:
    static constexpr std::size_t kPageSize = 4096;

    PagedBytes() = default;

    // The bytes of data; each page equal to the same page of previous (when it has one) is shared
    // with it.
    static PagedBytes Capture(std::span<const std::uint8_t> data, const PagedBytes* previous);

    std::size_t Size() const { return m_size; }
    // Copies the bytes into data, which must be Size() bytes long; false, with nothing written,
    // when it is not.
    bool CopyTo(std::span<std::uint8_t> data) const;
    // Whether both hold the very same pages (shared, not compared byte by byte).
    bool SharesAll(const PagedBytes& other) const { return m_size == other.m_size && m_pages == other.m_pages; }
    // The bytes of the pages this copy does not share with other.
    std::size_t BytesNotSharedWith(const PagedBytes& other) const;

private:
    using Page = std::shared_ptr<const std::vector<std::uint8_t>>;

    std::vector<Page> m_pages;
    std::size_t m_size = 0;
};

} // namespace torvane
