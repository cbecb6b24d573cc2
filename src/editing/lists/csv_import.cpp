#include "editing/lists/csv_import.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "document/document.h"
#include "editing/forms/form_fields.h"
#include "editing/forms/program_form.h"
#include "editing/lists/list_file.h"
#include "editing/organise/service_order.h"
#include "store/node_store.h"
#include "text/quoted_text.h"

namespace torvane {
namespace {

constexpr std::string_view kServiceIdField = "Service ID";
constexpr std::string_view kTypeField = "Service Type";
constexpr std::string_view kVideoPidField = "Video Pid";

} // namespace

CsvImport::CsvImport(const Document& document, std::string_view text)
    : m_document(ReadDocumentTable(document)), m_file(ReadCsvServices(text))
{
    m_errors = m_file.errors;
    m_pairing = PairServices(m_document.services, m_file.table.services, kImportMatchRules);
    CheckAgainstDocument(CheckFieldWidths(document.Store()));
    CheckTypeChanges(document.Store());
    std::stable_sort(m_errors.begin(), m_errors.end(),
                     [](const CsvError& a, const CsvError& b) { return a.line < b.line; });
}

std::vector<bool> CsvImport::CheckFieldWidths(const NodeStore& store)
{
    std::vector<bool> refused(m_file.table.services.size(), false);
    for (std::size_t j = 0; j < refused.size(); ++j) {
        // The service ID names the service; a wider one than its field holds names none.
        std::vector<std::pair<std::string_view, std::int64_t>> values = {
            {kServiceIdField, m_file.table.services[j].serviceId.value_or(0)}};
        values.insert(values.end(), m_file.values[j].numbers.begin(), m_file.values[j].numbers.end());
        for (const auto& [field, value] : values) {
            if (const std::optional<std::string> message =
                    FieldWidthMessage(store, NodeKind::Program, field, field, value)) {
                m_errors.push_back({m_file.lines[j], *message});
                refused[j] = true;
                break;
            }
        }
    }
    return refused;
}

void CsvImport::CheckAgainstDocument(const std::vector<bool>& refused)
{
    std::vector<int> lineOf(m_document.services.size(), 0);
    for (std::size_t j = 0; j < m_file.table.services.size(); ++j) {
        const ServiceRecord& service = m_file.table.services[j];
        const int line = m_file.lines[j];
        if (m_pairing.ofSecond[j]) {
            lineOf[m_pairing.ofSecond[j]->index] = line;
            continue;
        }
        if (refused[j])
            continue;
        const bool satellite = std::any_of(m_document.tps.begin(), m_document.tps.end(),
                                           [&](const TpRecord& tp) { return tp.satellite == service.satellite; });
        const bool tp = std::any_of(m_document.tps.begin(), m_document.tps.end(), [&](const TpRecord& tp) {
            ServiceRecord other;
            other.satellite = tp.satellite;
            other.frequency = tp.frequency;
            other.polarisation = tp.polarisation;
            return SameTp(other, service, kImportMatchRules);
        });
        std::string text;
        if (!satellite)
            text = "no satellite " + QuotedText(service.satellite);
        else if (!tp)
            text = "satellite " + QuotedText(service.satellite) + " has no TP " + service.TpText();
        else {
            // A service the list holds but an earlier line took.
            const std::vector<ServiceRecord>& services = m_document.services;
            const auto same = [&](const ServiceRecord& s) {
                return s.serviceId == service.serviceId && SameTp(s, service, kImportMatchRules);
            };
            const auto taken = static_cast<std::size_t>(std::find_if(services.begin(), services.end(), same)
                                                        - services.begin());
            text = taken < services.size()
                ? "the service of line " + std::to_string(lineOf[taken]) + " again"
                : "no service with ID " + std::to_string(service.serviceId.value_or(0)) + " on " + service.satellite
                    + " " + service.TpText();
        }
        m_errors.push_back({line, std::move(text)});
    }
}

std::optional<int> CsvImport::ChangedType(const NodeStore& store, int slot, const CsvServiceValues& values)
{
    for (const auto& [field, value] : values.numbers) {
        if (field == kTypeField && store.ReadNamedNumber(NodeKind::Program, slot, kTypeField) != value)
            return value;
    }
    return std::nullopt;
}

void CsvImport::CheckTypeChanges(const NodeStore& store)
{
    for (std::size_t j = 0; j < m_file.table.services.size(); ++j) {
        if (!m_pairing.ofSecond[j])
            continue;
        const int slot = m_document.services[m_pairing.ofSecond[j]->index].slot;
        const std::optional<int> type = ChangedType(store, slot, m_file.values[j]);
        const std::optional<int> video = store.ReadNamedNumber(NodeKind::Program, slot, kVideoPidField);
        if (!type || !video)
            continue;
        const auto serviceId = static_cast<std::uint32_t>(m_file.table.services[j].serviceId.value_or(0));
        if (const std::optional<std::string_view> refusal = ProgramForm::TypeChangeRefusal(*type, serviceId, *video))
            m_errors.push_back({m_file.lines[j], std::string(*refusal)});
    }
}

std::vector<std::string> CsvImport::SummaryLines() const
{
    const auto notInFile = std::count_if(m_pairing.ofFirst.begin(), m_pairing.ofFirst.end(),
                                         [](const auto& partner) { return !partner; });
    return {"Services in the file: " + std::to_string(m_file.table.services.size()),
            "Not in the file: " + std::to_string(notInFile)};
}

void CsvImport::Apply(NodeStore& store) const
{
    if (!m_errors.empty())
        return;
    std::vector<std::int32_t> slots;
    slots.reserve(m_document.services.size());
    for (std::size_t j = 0; j < m_file.table.services.size(); ++j) {
        const int slot = m_document.services[m_pairing.ofSecond[j]->index].slot;
        slots.push_back(slot);
        const CsvServiceValues& values = m_file.values[j];
        // A service made a radio service gets the video PID the program dialog gives it.
        if (const std::optional<int> type = ChangedType(store, slot, values)) {
            if (const std::optional<std::int32_t> video = ProgramForm::VideoPidOfType(*type))
                store.WriteNamedIfChanged(NodeKind::Program, slot, kVideoPidField, std::to_string(*video));
        }
        if (values.name)
            store.WriteNamedIfChanged(NodeKind::Program, slot, "Service Name", *values.name);
        for (const auto& [field, value] : values.numbers)
            store.WriteNamedIfChanged(NodeKind::Program, slot, field, std::to_string(value));
    }
    for (std::size_t i = 0; i < m_document.services.size(); ++i) {
        if (!m_pairing.ofFirst[i])
            slots.push_back(m_document.services[i].slot);
    }
    ReorderServices(store, slots);
}

} // namespace torvane
