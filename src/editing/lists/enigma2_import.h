#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editing/session/edit_session.h"
#include "editing/tables/tp_import_preview.h"
#include "exchange/enigma2_settings.h"

namespace torvane {

class EditSession;
class TreeItem;

inline constexpr std::string_view kImportEnigma2Step = "Import Enigma2 Settings";

struct Enigma2ImportOptions {
    // Keep the document's services, update those on the same satellite, TP and service ID and add
    // the others; without it the chosen satellites' services are replaced.
    bool merge = false;
    std::vector<int> positions;         // the satellites taken (tenths of a degree); empty: all
    std::vector<std::string> bouquets;  // the bouquets taken, by name; empty: all
};

enum class Enigma2ImportAction {
    Add,
    Update,
    SkippedType,  // neither TV nor radio
    SkippedTp,    // its TP is DVB-S2 or outside what the TP dialog takes
    Refused,      // the program dialog refuses a value
    NoRoom,       // beyond what the document's file can take
};
// "add", "update", "skipped (type N)", "skipped (TP)", "refused", "no room".
std::string ActionName(Enigma2ImportAction action);

// One lamedb service of the chosen satellites, in the order the import gives them.
struct Enigma2ImportRow {
    std::size_t service = 0;  // into the lamedb's services
    Enigma2ImportAction action = Enigma2ImportAction::Add;
    std::string name;         // as the program gets it
    bool nameCut = false;
    int position = 0;
    int frequency = 0;        // the TP in the TP dialog's units
    int polarization = 0;
    int symbolRate = 0;
    std::uint32_t serviceId = 0;
    int favorite = 0;         // the "Favorite Group" value
    std::string note;         // why skipped or refused
    int existingSlot = -1;    // the program an update writes
};

// A satellite of the folder: the document's at that position, else one added with the name of
// satellites.xml or "13.0E"; its TPs as the table import makes them.
struct Enigma2SatellitePlan {
    int position = 0;
    TreeItem* item = nullptr;  // nullptr: added
    std::string name;
    // The folder's TPs on it, one for each that the same polarisation within the tolerance makes
    // one TP (the first one's values); line is the entry's place in this list, from 1.
    std::vector<TableTp> table;
    TpImportPreview tps;
};

// The import of a settings folder into the session's document, worked out without changing it.
class Enigma2Import final {
public:
    Enigma2Import(EditSession& session, const E2Settings& settings, Enigma2ImportOptions options);

    // Why nothing can be imported ("the folder has no satellite at 13.0E"), or empty.
    const std::string& Error() const { return m_error; }
    const std::vector<Enigma2SatellitePlan>& Satellites() const { return m_satellites; }
    const std::vector<Enigma2ImportRow>& Rows() const { return m_rows; }
    const Enigma2ImportOptions& Options() const { return m_options; }
    int Count(Enigma2ImportAction action) const;
    // The services of the chosen satellites the replace deletes (0 for a merge).
    int Replaced() const { return m_replaced; }
    int ProgramRoom() const { return m_programRoom; }

    // "services: added 3, updated 0, replaced 0, skipped 1 (type), …", how many fit, the
    // satellites, the TP counts, the bouquets with their groups, and what the folder held that is
    // left out.
    std::vector<std::string> SummaryLines() const;
    // The folder's entries not found: "userbouquet.a.tv line 4: no service 1:0:19:11:3:B0:DCA0000:0:0:0:".
    const std::vector<std::string>& Unresolved() const { return m_settings.unresolved; }
    // "add: Alpha TV  19.2E 11836 H 27500  SID 12003  Favorite Group 1", one row.
    std::string RowText(const Enigma2ImportRow& row) const;

    // The edit of one session step: the services replaced or merged, satellites and TPs added
    // as needed, the groups set and the channel order made. False as soon as a satellite or TP
    // cannot be added or changed as the preview says (the step is then taken back whole).
    bool ApplyEdit(EditSession& session) const;
    // The same as one step.
    StepResult Apply(EditSession& session) const;

private:
    void ChooseSatellites(EditSession& session);
    void AssignGroups(const std::vector<std::size_t>& chosen);
    void PlanServices(EditSession& session, const std::vector<std::size_t>& order);

    const E2Settings& m_settings;
    Enigma2ImportOptions m_options;
    std::string m_error;
    std::vector<Enigma2SatellitePlan> m_satellites;
    std::vector<int> m_satelliteOfTp;        // for each folder TP: its plan, or -1 when not chosen
    std::vector<int> m_tableTpOfTp;          // for each folder TP: its entry of the plan's table
    std::vector<std::size_t> m_bouquets;      // the bouquets taken
    std::vector<int> m_bouquetGroup;          // their group value; 0 for none, -1 for order only
    std::vector<int> m_groupOfService;        // for each lamedb service
    std::vector<Enigma2ImportRow> m_rows;
    int m_replaced = 0;
    int m_programRoom = 0;
};

// What the window's preview works on: the folder read, and the import worked out again when the
// user changes the merge tick.
class Enigma2ImportPreview final {
public:
    Enigma2ImportPreview(EditSession& session, E2Settings settings, Enigma2ImportOptions options = {});
    Enigma2ImportPreview(const Enigma2ImportPreview&) = delete;
    Enigma2ImportPreview& operator=(const Enigma2ImportPreview&) = delete;

    const Enigma2Import& Import() const { return *m_import; }
    void SetMerge(bool merge);

private:
    EditSession& m_session;
    E2Settings m_settings;
    std::unique_ptr<Enigma2Import> m_import;
};

} // namespace torvane
