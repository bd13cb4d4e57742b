#include "core/engine/FieldRows.h"

#include <algorithm>
#include <cassert>

namespace mervalon::engine {

void FieldRows::addField(std::string_view field)
{
    m_text.append(field);
    m_fieldEnds.push_back(m_text.size());
}

void FieldRows::addRow(std::span<const std::string_view> fields)
{
    if (fields.empty()) {
        addEmptyRow();
        return;
    }
    m_rowStarts.push_back(m_fieldEnds.size());
    for (std::string_view field : fields) {
        addField(field);
    }
}

void FieldRows::addRow(const FieldList& fields)
{
    if (fields.empty()) {
        addEmptyRow();
        return;
    }
    m_rowStarts.push_back(m_fieldEnds.size());
    for (const std::string& field : fields) {
        addField(field);
    }
}

void FieldRows::addRow(std::span<const std::string> fields)
{
    if (fields.empty()) {
        addEmptyRow();
        return;
    }
    m_rowStarts.push_back(m_fieldEnds.size());
    for (const std::string& field : fields) {
        addField(field);
    }
}

void FieldRows::addEmptyRow()
{
    m_rowStarts.push_back(m_fieldEnds.size());
    addField(kEmptyLine);
}

void FieldRows::addOverlongRow(std::uint64_t length)
{
    m_overlongRows.emplace_back(m_rowStarts.size(), length);
    m_rowStarts.push_back(m_fieldEnds.size());
}

FieldRow FieldRows::row(std::size_t index) const
{
    assert(index < m_rowStarts.size());
    const std::size_t end = index + 1 < m_rowStarts.size() ? m_rowStarts[index + 1] : m_fieldEnds.size();
    std::uint64_t overlong = 0;
    if (!m_overlongRows.empty()) {
        const auto found = std::lower_bound(m_overlongRows.begin(), m_overlongRows.end(), index,
                                            [](const auto& row, std::size_t wanted) { return row.first < wanted; });
        if (found != m_overlongRows.end() && found->first == index) {
            overlong = found->second;
        }
    }
    return FieldRow(*this, m_rowStarts[index], end, overlong);
}

FieldList FieldRows::rowAsList(std::size_t index) const
{
    const FieldRow fields = row(index);
    FieldList list;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        list.emplace_back(fields[i]);
    }
    return list;
}

} // namespace mervalon::engine
