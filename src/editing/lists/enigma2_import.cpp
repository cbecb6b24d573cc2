#include "editing/lists/enigma2_import.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "document/document.h"
#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "editing/forms/program_form.h"
#include "editing/organise/service_order.h"
#include "editing/session/edit_session.h"
#include "editing/tables/tp_import.h"
#include "store/channel_tree.h"
#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/silent_prompts.h"

namespace torvane {

namespace {

constexpr std::int32_t kLowestPid = 32;
constexpr std::int32_t kHighestPid = 8191;
constexpr int kNoGroup = 0;
constexpr int kOrderOnly = -1;

// A cached PID the program dialog can hold; others count as none.
std::int32_t PidOf(std::optional<std::uint32_t> cached)
{
    return cached && *cached >= kLowestPid && *cached <= kHighestPid ? static_cast<std::int32_t>(*cached) : 0;
}

// The program dialog filled as a user would fill it for the service.
void FillProgramForm(ProgramForm& form, const E2Service& service, int favorite)
{
    const bool radio = ServiceKindOf(service.key.type) == E2ServiceKind::Radio;
    form.EditText(ProgramControl::Name, service.name);
    form.Select(ProgramControl::Type, RowOfValue(ServiceTypeChoices(), radio ? 0 : 1));
    if (!radio)
        form.EditText(ProgramControl::VideoPid, DialogText(PidOf(service.Cache(E2Cache::VideoPid))));
    std::size_t audio = 0;
    static constexpr std::array kAudioControls = {ProgramControl::AudioPid1, ProgramControl::AudioPid2,
                                                  ProgramControl::AudioPid3};
    for (E2Cache index : kE2AudioOrder) {
        const std::int32_t pid = PidOf(service.Cache(index));
        if (pid != 0 && audio < kAudioControls.size())
            form.EditText(kAudioControls[audio++], DialogText(pid));
    }
    for (; audio < kAudioControls.size(); ++audio)
        form.EditText(kAudioControls[audio], DialogText(std::int32_t{0}));
    form.EditText(ProgramControl::PcrPid, DialogText(PidOf(service.Cache(E2Cache::PcrPid))));
    form.Select(ProgramControl::Favorite, RowOfValue(FavoriteGroupChoices(), favorite));
    form.Select(ProgramControl::Scramble, RowOfValue(YesNoChoices(), service.Scrambled() ? 1 : 0));
    form.EditText(ProgramControl::ServiceId, DialogText(std::uint32_t{service.key.sid}));
}

// The group a bouquet named as one gives ("Favorite Group 3"), or nothing.
std::optional<int> NamedGroup(const std::string& name)
{
    const std::span<const Choice> choices = FavoriteGroupChoices();
    const std::optional<int> row = RowOfText(choices, name);
    if (!row || choices[static_cast<std::size_t>(*row)].value == kNoGroup)
        return std::nullopt;
    return choices[static_cast<std::size_t>(*row)].value;
}

std::string GroupText(int value)
{
    const std::optional<int> row = RowOfValue(FavoriteGroupChoices(), value);
    return row ? FavoriteGroupChoices()[static_cast<std::size_t>(*row)].text : std::to_string(value);
}

int Room(const EditSession& session, NodeKind kind)
{
    return session.Capacity().Room(kind).value_or(std::numeric_limits<int>::max());
}

// Makes the lists of a satellite and of its TPs hold their programs, as showing them would.
void BuildProgramLists(NodeStore& store, TreeItem& satellite)
{
    ChannelTree& tree = store.Tree();
    tree.SetPrograms(&satellite, store.BuildSatelliteList(satellite.Info()->satId));
    for (int i = 0; i < satellite.ChildCount(); ++i) {
        TreeItem* tp = satellite.Child(i);
        tree.SetPrograms(tp, store.BuildTpList(tp->Info()->tpId, satellite.Info()->programs));
    }
}

// The TP item of each table entry of a satellite (by the entry's line), once its TPs are there.
std::map<int, TreeItem*> TpItems(EditSession& session, TreeItem& satellite, const Enigma2SatellitePlan& plan)
{
    std::map<int, TreeItem*> items;
    const TpImportPreview preview = PreviewTpUpdate(session, satellite, {plan.name, plan.position, plan.table});
    for (const TpImportRow& row : preview.Rows()) {
        if (row.table && row.existing)
            items.emplace(row.table->line, row.existing->item);
    }
    return items;
}

TreeItem* AddSatellite(EditSession& session, const Enigma2SatellitePlan& plan)
{
    NodeStore& store = session.GetDocument().Store();
    TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    std::unique_ptr<NavigatorDialog> dialog =
        BeginAddSatelliteFromTable(session.Navigator(), root, {plan.name, plan.position, {}});
    if (!dialog || !dialog->Satellite()->Ok())
        return nullptr;
    return session.Navigator().Finish(*dialog);
}

} // namespace

std::string ActionName(Enigma2ImportAction action)
{
    switch (action) {
    case Enigma2ImportAction::Add:
        return "add";
    case Enigma2ImportAction::Update:
        return "update";
    case Enigma2ImportAction::SkippedType:
        return "skipped (type)";
    case Enigma2ImportAction::SkippedTp:
        return "skipped (TP)";
    case Enigma2ImportAction::Refused:
        return "refused";
    case Enigma2ImportAction::NoRoom:
        return "no room";
    }
    return {};
}

Enigma2Import::Enigma2Import(EditSession& session, const E2Settings& settings, Enigma2ImportOptions options)
    : m_settings(settings), m_options(std::move(options))
{
    const E2Lamedb& lamedb = settings.lamedb;
    for (const std::string& name : m_options.bouquets) {
        if (std::none_of(settings.bouquets.begin(), settings.bouquets.end(),
                         [&](const E2Bouquet& bouquet) { return bouquet.name == name; })) {
            m_error = "the folder has no bouquet \"" + name + "\"";
            return;
        }
    }
    ChooseSatellites(session);
    if (!m_error.empty())
        return;

    std::map<E2TpKey, std::size_t> tpIndex;
    for (std::size_t i = 0; i < lamedb.tps.size(); ++i)
        tpIndex.emplace(lamedb.tps[i].key, i);
    const auto onChosenSatellite = [&](std::size_t service) {
        return m_satelliteOfTp[tpIndex.at(lamedb.services[service].key.tp)] >= 0;
    };
    std::set<std::size_t> inBouquets;
    for (std::size_t b = 0; b < settings.bouquets.size(); ++b) {
        const E2Bouquet& bouquet = settings.bouquets[b];
        if (!m_options.bouquets.empty()
            && std::find(m_options.bouquets.begin(), m_options.bouquets.end(), bouquet.name)
                == m_options.bouquets.end())
            continue;
        m_bouquets.push_back(b);
        inBouquets.insert(bouquet.services.begin(), bouquet.services.end());
    }
    // The bouquets' services in their order, each once, then the rest in lamedb order.
    std::vector<std::size_t> order;
    std::vector<bool> taken(lamedb.services.size(), false);
    for (std::size_t b : m_bouquets) {
        for (std::size_t service : settings.bouquets[b].services) {
            if (!taken[service] && onChosenSatellite(service)) {
                taken[service] = true;
                order.push_back(service);
            }
        }
    }
    for (std::size_t service = 0; service < lamedb.services.size(); ++service) {
        if (!taken[service] && onChosenSatellite(service) && (m_options.bouquets.empty() || inBouquets.contains(service)))
            order.push_back(service);
    }
    AssignGroups(order);
    PlanServices(session, order);
}

void Enigma2Import::ChooseSatellites(EditSession& session)
{
    const E2Lamedb& lamedb = m_settings.lamedb;
    std::vector<int> positions;
    for (const E2Transponder& tp : lamedb.tps) {
        if (std::find(positions.begin(), positions.end(), tp.position) == positions.end())
            positions.push_back(tp.position);
    }
    for (int position : m_options.positions) {
        if (std::find(positions.begin(), positions.end(), position) == positions.end()) {
            m_error = "the folder has no satellite at " + OrbitalPositionText(position);
            return;
        }
    }
    if (!m_options.positions.empty())
        positions = m_options.positions;

    NodeStore& store = session.GetDocument().Store();
    const TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    int tpRoom = Room(session, NodeKind::Tp);
    int newSatellites = 0;
    m_satelliteOfTp.assign(lamedb.tps.size(), -1);
    m_tableTpOfTp.assign(lamedb.tps.size(), -1);
    for (int position : positions) {
        Enigma2SatellitePlan plan{position, nullptr, {}, {}, TpImportPreview({}, {}, 0)};
        for (int i = 0; root && i < root->ChildCount(); ++i) {
            if (!plan.item && SatelliteOrbit(store, *root->Child(i)) == position)
                plan.item = root->Child(i);
        }
        plan.name = plan.item ? plan.item->Label()
                              : m_settings.SatelliteName(position).value_or(OrbitalPositionText(position));
        // The same polarisation within the tolerance is one TP.
        for (std::size_t i = 0; i < lamedb.tps.size(); ++i) {
            const E2Transponder& e2 = lamedb.tps[i];
            if (e2.position != position)
                continue;
            TableTp tp{e2.frequencyKhz, e2.symbolRate, static_cast<TablePolarization>(e2.polarization),
                       e2.system == 0 ? TableSystem::DvbS : TableSystem::DvbS2, 0};
            const auto same = std::find_if(plan.table.begin(), plan.table.end(), [&](const TableTp& other) {
                return MappingOf(other.polarization).pol == MappingOf(tp.polarization).pol
                    && std::abs(other.FrequencyMhz() - tp.FrequencyMhz()) <= kDefaultTpToleranceMhz;
            });
            m_satelliteOfTp[i] = static_cast<int>(m_satellites.size());
            if (same != plan.table.end()) {
                m_tableTpOfTp[i] = same->line - 1;
                continue;
            }
            tp.line = static_cast<int>(plan.table.size()) + 1;
            m_tableTpOfTp[i] = tp.line - 1;
            plan.table.push_back(tp);
        }
        plan.tps = plan.item ? PreviewTpUpdate(session, *plan.item, {plan.name, position, plan.table})
                             : TpImportPreview({}, plan.table, tpRoom);
        tpRoom = std::max(0, tpRoom - plan.tps.Counts().added);
        newSatellites += plan.item || plan.tps.Counts().added == 0 ? 0 : 1;
        m_satellites.push_back(std::move(plan));
    }
    if (newSatellites > Room(session, NodeKind::Satellite))
        m_error = "the document has no room for " + std::to_string(newSatellites) + " more satellites";
}

void Enigma2Import::AssignGroups(const std::vector<std::size_t>& chosen)
{
    std::set<int> used;
    m_bouquetGroup.assign(m_bouquets.size(), kNoGroup);
    for (std::size_t i = 0; i < m_bouquets.size(); ++i) {
        const E2Bouquet& bouquet = m_settings.bouquets[m_bouquets[i]];
        const std::set<std::size_t> services(bouquet.services.begin(), bouquet.services.end());
        const bool all = !chosen.empty() && std::all_of(chosen.begin(), chosen.end(), [&](std::size_t service) {
            return services.contains(service);
        });
        if (const std::optional<int> group = NamedGroup(bouquet.name); group && used.insert(*group).second)
            m_bouquetGroup[i] = *group;
        else if (all)
            m_bouquetGroup[i] = kOrderOnly;
    }
    // The other bouquets take the free groups in their order.
    for (std::size_t i = 0; i < m_bouquets.size(); ++i) {
        if (m_bouquetGroup[i] != kNoGroup)
            continue;
        for (const Choice& choice : FavoriteGroupChoices()) {
            if (choice.value != kNoGroup && used.insert(choice.value).second) {
                m_bouquetGroup[i] = choice.value;
                break;
            }
        }
    }
    m_groupOfService.assign(m_settings.lamedb.services.size(), kNoGroup);
    for (std::size_t i = m_bouquets.size(); i-- > 0;) {
        if (m_bouquetGroup[i] <= kNoGroup)
            continue;
        for (std::size_t service : m_settings.bouquets[m_bouquets[i]].services)
            m_groupOfService[service] = m_bouquetGroup[i];  // the first bouquet's group wins
    }
}

void Enigma2Import::PlanServices(EditSession& session, const std::vector<std::size_t>& order)
{
    NodeStore& store = session.GetDocument().Store();
    const E2Lamedb& lamedb = m_settings.lamedb;
    std::map<E2TpKey, std::size_t> tpIndex;
    for (std::size_t i = 0; i < lamedb.tps.size(); ++i)
        tpIndex.emplace(lamedb.tps[i].key, i);

    // The document's services of the chosen satellites: deleted by a replace, matched by a merge.
    std::map<std::pair<const TreeItem*, std::uint32_t>, std::vector<int>> existing;
    for (const Enigma2SatellitePlan& plan : m_satellites) {
        for (int i = 0; plan.item && i < plan.item->ChildCount(); ++i) {
            const TreeNodeInfo& tp = *plan.item->Child(i)->Info();
            for (const std::int32_t slot : store.ProgramSlots(tp.satId, tp.tpId)) {
                ++m_replaced;
                const std::optional<int> sid = store.ReadNamedNumber(NodeKind::Program, slot, "Service ID");
                existing[{plan.item->Child(i), static_cast<std::uint32_t>(sid.value_or(-1))}].push_back(slot);
            }
        }
    }
    if (m_options.merge)
        m_replaced = 0;
    // The room the new satellites and TPs leave, with the replaced services gone.
    std::array<int, kNodeKindCount> change{};
    for (const Enigma2SatellitePlan& plan : m_satellites) {
        change[static_cast<std::size_t>(NodeKind::Satellite)] += plan.item || plan.tps.Counts().added == 0 ? 0 : 1;
        change[static_cast<std::size_t>(NodeKind::Tp)] += plan.tps.Counts().added;
    }
    change[static_cast<std::size_t>(NodeKind::Program)] = -m_replaced;
    m_programRoom = std::max(0, session.Capacity()
                                    .RoomAfter(NodeKind::Program, change)
                                    .value_or(std::numeric_limits<int>::max()));

    // The checks need no TP of the document: a new program of none.
    static const TreeNodeInfo kCheckOwner = [] {
        TreeNodeInfo info;
        info.treeKind = TreeKind::Tp;
        return info;
    }();
    SilentPrompts refusal;
    int room = m_programRoom;
    for (std::size_t service : order) {
        const E2Service& e2 = lamedb.services[service];
        const std::size_t tpAt = tpIndex.at(e2.key.tp);
        const Enigma2SatellitePlan& plan = m_satellites[static_cast<std::size_t>(m_satelliteOfTp[tpAt])];
        const int line = m_tableTpOfTp[tpAt] + 1;
        const auto tpRow = std::find_if(plan.tps.Rows().begin(), plan.tps.Rows().end(),
                                        [&](const TpImportRow& row) { return row.table && row.table->line == line; });
        Enigma2ImportRow row;
        row.service = service;
        row.position = plan.position;
        row.frequency = tpRow->frequency;
        row.polarization = tpRow->polarization;
        row.symbolRate = tpRow->symbolRate;
        row.serviceId = e2.key.sid;
        row.favorite = m_groupOfService[service];
        ProgramForm form(store, ServiceFilter::TvAndRadio, ProgramMode::Append, kCheckOwner, 0, -1);
        FillProgramForm(form, e2, row.favorite);
        row.name = form.Text(ProgramControl::Name);
        row.nameCut = row.name != e2.name;
        if (ServiceKindOf(e2.key.type) == E2ServiceKind::Other) {
            row.action = Enigma2ImportAction::SkippedType;
            row.note = "type " + std::to_string(e2.key.type);
        } else if (tpRow->action == TpImportAction::SkippedDvbS2 || tpRow->action == TpImportAction::SkippedOutOfRange) {
            row.action = Enigma2ImportAction::SkippedTp;
            row.note = "TP " + std::string(ActionName(tpRow->action));
        } else if (!form.Ok(refusal)) {
            row.action = Enigma2ImportAction::Refused;
            row.note = refusal.LastMessage();
        } else if (!tpRow->fits) {
            row.action = Enigma2ImportAction::NoRoom;
            row.note = "no room for its TP";
        } else {
            const auto match = m_options.merge && tpRow->existing
                ? existing.find({tpRow->existing->item, e2.key.sid})
                : existing.end();
            if (match != existing.end() && !match->second.empty()) {
                row.action = Enigma2ImportAction::Update;
                row.existingSlot = match->second.front();
                match->second.erase(match->second.begin());
            } else if (room > 0) {
                --room;
            } else {
                row.action = Enigma2ImportAction::NoRoom;
            }
        }
        m_rows.push_back(std::move(row));
    }
}

int Enigma2Import::Count(Enigma2ImportAction action) const
{
    return static_cast<int>(
        std::count_if(m_rows.begin(), m_rows.end(), [&](const Enigma2ImportRow& row) { return row.action == action; }));
}

std::vector<std::string> Enigma2Import::SummaryLines() const
{
    using enum Enigma2ImportAction;
    std::vector<std::string> lines;
    lines.push_back("services: added " + std::to_string(Count(Add)) + ", updated " + std::to_string(Count(Update))
                    + ", replaced " + std::to_string(m_replaced) + ", skipped " + std::to_string(Count(SkippedType))
                    + " (type), skipped " + std::to_string(Count(SkippedTp)) + " (TP), refused "
                    + std::to_string(Count(Refused)) + ", no room " + std::to_string(Count(NoRoom)));
    const int wanted = Count(Add) + static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const auto& row) {
                                        return row.action == NoRoom && row.note.empty();
                                    }));
    if (wanted > m_programRoom)
        lines.push_back("room for " + std::to_string(m_programRoom) + " of " + std::to_string(wanted)
                        + " new services");
    TpImportCounts tps;
    for (const Enigma2SatellitePlan& plan : m_satellites) {
        const TpImportCounts counts = plan.tps.Counts();
        tps.added += counts.added;
        tps.updated += counts.updated;
        tps.same += counts.same;
        tps.kept += counts.kept;
        tps.skippedDvbS2 += counts.skippedDvbS2;
        tps.skippedOutOfRange += counts.skippedOutOfRange;
        tps.withoutRoom += counts.withoutRoom;
        lines.push_back("satellite " + OrbitalPositionText(plan.position) + " \"" + plan.name + "\""
                        + (plan.item ? "" : counts.added > 0 ? " (new)" : " (not made: no TP to import)"));
    }
    lines.push_back("TPs: " + CountsLine(tps));
    for (std::size_t i = 0; i < m_bouquets.size(); ++i) {
        const int group = m_bouquetGroup[i];
        lines.push_back("bouquet \"" + m_settings.bouquets[m_bouquets[i]].name + "\": "
                        + (group == kOrderOnly ? std::string("order only")
                                               : group == kNoGroup ? std::string("no free group") : GroupText(group)));
    }
    const int cut = static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const Enigma2ImportRow& row) {
        return row.nameCut && (row.action == Add || row.action == Update);
    }));
    const E2Lamedb& lamedb = m_settings.lamedb;
    lines.push_back("names cut to fit: " + std::to_string(cut));
    lines.push_back("left out: " + std::to_string(lamedb.otherTps) + " TPs not on a satellite, "
                    + std::to_string(lamedb.servicesOffSatellite) + " services not on a satellite TP, "
                    + std::to_string(lamedb.duplicateServices) + " duplicate services, "
                    + std::to_string(m_settings.markers) + " markers, " + std::to_string(m_settings.streams)
                    + " streams, " + std::to_string(m_settings.unresolved.size()) + " entries not found");
    return lines;
}

std::string Enigma2Import::RowText(const Enigma2ImportRow& row) const
{
    std::string text = ActionName(row.action) + ": " + row.name + "  " + OrbitalPositionText(row.position) + " "
        + std::to_string(row.frequency) + (row.polarization == 0 ? " H " : " V ") + std::to_string(row.symbolRate)
        + "  SID " + std::to_string(row.serviceId);
    if (row.favorite > kNoGroup)
        text += "  " + GroupText(row.favorite);
    if (row.nameCut)
        text += "  (name cut from \"" + m_settings.lamedb.services[row.service].name + "\")";
    if (!row.note.empty())
        text += "  (" + row.note + ")";
    return text;
}

bool Enigma2Import::ApplyEdit(EditSession& session) const
{
    using enum Enigma2ImportAction;
    NodeStore& store = session.GetDocument().Store();
    ChannelTree& tree = store.Tree();
    std::vector<TreeItem*> satellites;
    for (const Enigma2SatellitePlan& plan : m_satellites) {
        TreeItem* satellite = plan.item;
        if (satellite && !m_options.merge) {
            BuildProgramLists(store, *satellite);
            for (int i = 0; i < satellite->ChildCount(); ++i) {
                const TreeNodeInfo& tp = *satellite->Child(i)->Info();
                std::vector<ListRowInfo> rows;
                for (int p = 0; p < tp.programs.Size(); ++p)
                    rows.push_back({p, &tp});
                std::vector<const ListRowInfo*> pointers;
                for (const ListRowInfo& info : rows)
                    pointers.push_back(&info);
                if (!pointers.empty())
                    session.Operations().DeletePrograms(pointers);
            }
        }
        // A satellite none of whose TPs can be imported is not made.
        if (!satellite && plan.tps.Counts().added > 0) {
            satellite = AddSatellite(session, plan);
            if (!satellite)
                return false;
        }
        if (satellite && !ApplyTpUpdateEdit(session, *satellite, plan.tps))
            return false;
        satellites.push_back(satellite);
    }

    std::vector<std::map<int, TreeItem*>> tpItems;
    for (std::size_t s = 0; s < m_satellites.size(); ++s) {
        tpItems.push_back(satellites[s] ? TpItems(session, *satellites[s], m_satellites[s]) : std::map<int, TreeItem*>{});
        if (satellites[s])
            BuildProgramLists(store, *satellites[s]);
    }
    std::map<E2TpKey, std::size_t> tpIndex;
    for (std::size_t i = 0; i < m_settings.lamedb.tps.size(); ++i)
        tpIndex.emplace(m_settings.lamedb.tps[i].key, i);

    SilentPrompts refusal;
    int room = Room(session, NodeKind::Program);
    std::vector<std::int32_t> order;
    for (const Enigma2ImportRow& row : m_rows) {
        if (row.action != Add && row.action != Update)
            continue;
        const E2Service& service = m_settings.lamedb.services[row.service];
        const std::size_t tpAt = tpIndex.at(service.key.tp);
        const std::map<int, TreeItem*>& items = tpItems[static_cast<std::size_t>(m_satelliteOfTp[tpAt])];
        const auto item = items.find(m_tableTpOfTp[tpAt] + 1);
        if (item == items.end())
            continue;
        const TreeNodeInfo& owner = *item->second->Info();
        int position = owner.programs.Size();
        if (row.action == Update) {
            const std::span<const std::int32_t> programs = owner.programs.Programs();
            position = static_cast<int>(std::find(programs.begin(), programs.end(), row.existingSlot) - programs.begin());
        } else if (room-- <= 0) {
            continue;
        }
        ProgramForm form(store, ServiceFilter::TvAndRadio, row.action == Update ? ProgramMode::Edit : ProgramMode::Append,
                         owner, position, -1);
        FillProgramForm(form, service, row.favorite);
        if (form.Ok(refusal) && form.Commit())
            order.push_back(form.CommittedSlot());
    }
    for (TreeItem* satellite : satellites) {
        if (satellite)
            tree.SetPrograms(satellite, ProgramList{});
    }
    ReorderServices(store, order);
    tree.SetPrograms(tree.FindRoot(TreeKind::AllServices), store.BuildAllServicesList());
    session.GetDocument().List().ShowList(session.GetDocument().List().CurrentItem());
    if (!order.empty())
        store.SetModified(true);
    return true;
}

StepResult Enigma2Import::Apply(EditSession& session) const
{
    return session.ExecuteWhole(kImportEnigma2Step, [&] { return ApplyEdit(session); });
}

Enigma2ImportPreview::Enigma2ImportPreview(EditSession& session, E2Settings settings, Enigma2ImportOptions options)
    : m_session(session), m_settings(std::move(settings)),
      m_import(std::make_unique<Enigma2Import>(session, m_settings, std::move(options)))
{
}

void Enigma2ImportPreview::SetMerge(bool merge)
{
    Enigma2ImportOptions options = m_import->Options();
    options.merge = merge;
    m_import = std::make_unique<Enigma2Import>(m_session, m_settings, std::move(options));
}

} // namespace torvane
