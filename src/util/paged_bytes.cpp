#include "util/paged_bytes.h"

#include <algorithm>
#include <cstring>

namespace torvane {

PagedBytes PagedBytes::Capture(std::span<const std::uint8_t> data, const PagedBytes* previous)
{
    PagedBytes copy;
    copy.m_size = data.size();
    const std::size_t pages = (data.size() + kPageSize - 1) / kPageSize;
    copy.m_pages.reserve(pages);
    for (std::size_t p = 0; p < pages; ++p) {
        const std::span<const std::uint8_t> bytes = data.subspan(p * kPageSize, std::min(kPageSize, data.size() - p * kPageSize));
        if (previous && previous->m_size == data.size()) {
            const Page& old = previous->m_pages[p];
            if (std::memcmp(old->data(), bytes.data(), bytes.size()) == 0) {
                copy.m_pages.push_back(old);
                continue;
            }
        }
        copy.m_pages.push_back(std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end()));
    }
    return copy;
}

bool PagedBytes::CopyTo(std::span<std::uint8_t> data) const
{
    if (data.size() != m_size)
        return false;
    for (std::size_t p = 0; p < m_pages.size(); ++p)
        std::copy(m_pages[p]->begin(), m_pages[p]->end(), data.begin() + static_cast<std::ptrdiff_t>(p * kPageSize));
    return true;
}

std::size_t PagedBytes::BytesNotSharedWith(const PagedBytes& other) const
{
    std::size_t bytes = 0;
    for (std::size_t p = 0; p < m_pages.size(); ++p) {
        if (other.m_size != m_size || other.m_pages[p] != m_pages[p])
            bytes += m_pages[p]->size();
    }
    return bytes;
}

} // namespace torvane
