#include "document/default_database.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>

#include "database/compact_program_record.h"
#include "database/database_image.h"
#include "database/default_database_stream.h"
#include "store/node_store.h"
#include "util/longest_increasing.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

std::string_view FileNameOf(std::string_view target)
{
    const std::size_t slash = target.find_last_of("/\\");
    return slash == std::string_view::npos ? target : target.substr(slash + 1);
}

} // namespace

std::string CutSaveText(std::string_view target, const CutCounts& cut)
{
    return "Saving \"" + std::string(FileNameOf(target)) + "\" would leave out " + std::to_string(cut.services)
        + " services, " + std::to_string(cut.tps) + " TPs and " + std::to_string(cut.satellites)
        + " satellites: they do not fit.";
}

std::string OrderSaveText(std::string_view target, int misplaced)
{
    return "Saving \"" + std::string(FileNameOf(target)) + "\" cannot keep the place of " + std::to_string(misplaced)
        + " services outside their TP; save as .df2 to keep it.";
}

std::optional<SaveLoss> DefaultDatabase::MeasureLoss(std::size_t room, bool withOrder)
{
    Measured measured{std::vector<std::uint8_t>(room), 0, withOrder};
    const std::optional<std::size_t> length = Generate(measured.stream, withOrder);
    if (!length)
        return std::nullopt;
    measured.length = *length;
    m_measured = std::move(measured);
    return SaveLoss{m_cut ? std::optional(m_leftOut) : std::nullopt, m_misplaced};
}

std::optional<std::size_t> DefaultDatabase::GenerateDefaultDatabase(std::span<std::uint8_t> destination,
                                                                     bool withOrder)
{
    std::optional<std::size_t> length;
    if (m_measured && m_measured->withOrder == withOrder && m_measured->stream.size() == destination.size()) {
        std::copy_n(m_measured->stream.begin(), m_measured->length, destination.begin());
        length = m_measured->length;
    } else {
        length = Generate(destination, withOrder);
    }
    m_measured.reset();
    if (length && m_cut)
        ShowCut();
    return length;
}

void DefaultDatabase::ShowCut() const
{
    m_store.Prompts().Message(std::string(m_cutMessage) + "\n" + std::to_string(m_leftOut.services) + " of "
                              + std::to_string(m_programs + m_leftOut.services) + " services did not fit.");
}

std::optional<std::size_t> DefaultDatabase::Generate(std::span<std::uint8_t> destination, bool withOrder)
{
    m_satellites = 0;
    m_tps = 0;
    m_programs = 0;
    m_leftOut = {};
    m_cut = false;
    m_misplaced = 0;
    m_cutMessage = {};
    const TreeItem* root = m_store.Tree().FindRoot(TreeKind::SatelliteRoot);
    const CompactProgramRecord programLayout(m_store.Schema());
    if (!root || !programLayout.IsValid())
        return std::nullopt;

    DefaultStreamWriter writer(destination);
    std::optional<std::size_t> totalAt;
    if (withOrder) {
        if (!writer.Put16(kWithOrderMagic) || !writer.Put16(static_cast<std::uint16_t>(kWrittenStreamVersion)))
            return std::nullopt;
        totalAt = writer.Reserve16();
        if (!totalAt)
            return std::nullopt;
    }
    const std::optional<std::size_t> satelliteCountAt = writer.Reserve16();
    if (!satelliteCountAt)
        return std::nullopt;

    // After a cut the walk goes on without writing, to count the programs left out.
    UserPrompts& prompts = m_store.Prompts();
    const auto fits = [this, &writer](std::size_t bytes, std::string_view message) {
        if (m_cutMessage.empty() && !writer.Fits(bytes))
            m_cutMessage = message;
        return m_cutMessage.empty();
    };
    // Without order numbers: the order numbers of the programs written, in stream order.
    std::vector<int> writtenOrders;
    for (int s = 0; s < root->ChildCount(); ++s) {
        const TreeItem* satellite = root->Child(s);
        const std::span<const std::uint8_t> satelliteRecord =
            m_store.Record(NodeKind::Satellite, satellite->Info()->slot);
        if (satelliteRecord.empty())
            continue;
        std::optional<std::size_t> tpCountAt;
        if (fits(satelliteRecord.size() + kCountBytes, kGenerateSatOutOfRangeMessage)) {
            writer.PutBytes(satelliteRecord);
            tpCountAt = writer.Reserve16();
            ++m_satellites;
        } else {
            ++m_leftOut.satellites;
        }

        // With order numbers, which keep the channel order, a TP's programs go in the sequence of
        // its item's program list, the record sequence receivers read. Without them the sequence
        // of the records is all a file keeps: a TP's programs go in the order its list shows them,
        // which a move in another list (All Services, the satellite's) changes before the TP's own
        // list is shown again.
        const ProgramList satellitePrograms =
            withOrder ? ProgramList() : m_store.BuildSatelliteList(satellite->Info()->satId);
        int tpCount = 0;
        for (int t = 0; t < satellite->ChildCount(); ++t) {
            const TreeNodeInfo* tp = satellite->Child(t)->Info();
            const ProgramList listed = withOrder ? ProgramList() : m_store.BuildTpList(tp->tpId, satellitePrograms);
            const ProgramList& programs = withOrder ? tp->programs : listed;
            const std::span<const std::uint8_t> tpRecord = m_store.Record(NodeKind::Tp, tp->slot);
            if (tpRecord.empty())
                continue;
            std::optional<std::size_t> programCountAt;
            if (fits(tpRecord.size() + kCountBytes, kGenerateTpOutOfRangeMessage)) {
                writer.PutBytes(tpRecord);
                programCountAt = writer.Reserve16();
                ++tpCount;
                ++m_tps;
            } else {
                ++m_leftOut.tps;
            }

            int programCount = 0;
            for (int p = 0; p < programs.Count(); ++p) {
                const std::int32_t slot = programs.At(p);
                if (slot < 0 || !m_store.Fields().CanReadField(NodeKind::Program, slot, 0, FieldView::Declaration))
                    continue;
                const std::optional<std::int16_t> order = m_store.OrderOf(slot);
                const std::vector<std::uint8_t> compact =
                    programLayout.Compact(m_store.Record(NodeKind::Program, slot), prompts);
                if (!order || compact.empty())
                    continue;
                if (!fits((withOrder ? kStreamOrderBytes : 0) + compact.size(), kGenerateProgOutOfRangeMessage)) {
                    ++m_leftOut.services;
                    continue;
                }
                if (withOrder)
                    writer.Put16(static_cast<std::uint16_t>(*order));
                else
                    writtenOrders.push_back(*order);
                writer.PutBytes(compact);
                ++programCount;
                ++m_programs;
            }
            if (programCountAt)
                writer.Patch16(*programCountAt, static_cast<std::uint16_t>(programCount));
        }
        if (tpCountAt)
            writer.Patch16(*tpCountAt, static_cast<std::uint16_t>(tpCount));
    }
    writer.Patch16(*satelliteCountAt, static_cast<std::uint16_t>(m_satellites));
    if (totalAt)
        writer.Patch16(*totalAt, static_cast<std::uint16_t>(m_programs));
    m_cut = !m_cutMessage.empty();
    const std::vector<bool> inPlace = LongestIncreasing(writtenOrders);
    m_misplaced = static_cast<int>(std::count(inPlace.begin(), inPlace.end(), false));
    return writer.Position();
}

std::vector<std::int16_t> DefaultDatabase::MergedOrders(const DefaultStreamContent& content)
{
    std::vector<std::int16_t> orders;
    for (const DefaultStreamSatellite& satellite : content.satellites) {
        for (const DefaultStreamTp& tp : satellite.tps) {
            for (const DefaultStreamProgram& program : tp.programs)
                orders.push_back(program.order);
        }
    }
    const TableHeader* programs = m_store.Image().Table(NodeKind::Program);
    if (!content.withOrder || !programs || programs->liveCount == 0)
        return orders;
    // Numbers from the file would clash with those of the programs already there, and a clash
    // hides programs from the channel order: the new ones follow the old ones, in the file's order.
    m_store.CompactOrders();
    std::vector<std::size_t> byOrder(orders.size());
    std::iota(byOrder.begin(), byOrder.end(), std::size_t{0});
    std::stable_sort(byOrder.begin(), byOrder.end(),
                     [&orders](std::size_t a, std::size_t b) { return orders[a] < orders[b]; });
    std::vector<std::int16_t> merged(orders.size());
    for (std::size_t rank = 0; rank < byOrder.size(); ++rank)
        merged[byOrder[rank]] = static_cast<std::int16_t>(programs->liveCount + static_cast<int>(rank));
    return merged;
}

bool DefaultDatabase::ParseDefaultDatabase(std::span<const std::uint8_t> stream)
{
    const std::optional<DefaultStreamContent> content =
        ReadDefaultStream(stream, m_store.Schema(), m_store.Prompts());
    if (!content)
        return false;

    const std::vector<std::int16_t> orders = MergedOrders(*content);
    m_store.RebuildIdPools();
    std::vector<TreeItem*> added;
    std::size_t nextProgram = 0;
    const auto undo = [this, &added] {
        for (TreeItem* satellite : added)
            m_store.DeleteItem(satellite);
        m_store.RebuildIdPools();
        return false;
    };
    for (const DefaultStreamSatellite& satelliteEntry : content->satellites) {
        TreeItem* satellite = m_store.AddSatelliteRecord(satelliteEntry.record);
        if (!satellite)
            return undo();
        added.push_back(satellite);
        for (const DefaultStreamTp& tpEntry : satelliteEntry.tps) {
            TreeItem* tp = m_store.AddTpRecord(satellite, tpEntry.record);
            if (!tp)
                return undo();
            for (const DefaultStreamProgram& program : tpEntry.programs) {
                const std::int16_t order = orders[nextProgram++];
                if (m_store.AddProgramRecord(tp, program.compact,
                                             content->withOrder ? std::optional(order) : std::nullopt)
                    < 0)
                    return undo();
            }
        }
        m_store.Tree().RenumberTpLabels(satellite);
    }
    m_store.SetModified(false);
    m_store.RebuildIdPools();
    m_streamWithOrder = content->withOrder;
    return true;
}

} // namespace torvane
