#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "database/database_image.h"
#include "database/flash_image.h"
#include "document/default_database.h"
#include "schema/node_schema.h"
#include "schema/project_type.h"
#include "store/node_store.h"
#include "store/service_list.h"

namespace torvane {

class UserPrompts;
class TreeItem;

inline constexpr std::string_view kLoadChunkCaption = "Load database config";
inline constexpr std::string_view kOpenDatabaseFailedMessage = "Open Database Failed";
inline constexpr std::string_view kFileAlreadyOpenMessage = "The file is opened!";
inline constexpr std::string_view kCheckFailedMessage = "Check failed";
inline constexpr std::string_view kLoadDefaultFailedMessage = "Load Default DB Failed";
inline constexpr std::string_view kSelectOperationCaption = "Please select operation";
inline constexpr std::string_view kMergeOption = "Merge";
inline constexpr std::string_view kOverwriteOption = "Overwrite";
inline constexpr std::string_view kSaveQuestion = "Do you save file?";
// The region a default-database file is loaded into.
inline constexpr std::uint32_t kDefaultFileRegionLength = 0xA0000;

// Where the two database chunks lie in the open product image.
struct ChunkPositions {
    std::uint32_t defaultOffset = 0;
    std::uint32_t defaultLength = 0;
    std::uint32_t userOffset = 0;
    std::uint32_t userLength = 0;

    bool operator==(const ChunkPositions&) const = default;
};

// What a save does with a database that does not fit where it is written: ask the user (the
// window), refuse it (torvane-cli's default) or write what fits (torvane-cli's --allow-cut).
enum class CutSaves { Ask, Refuse, Allow };

// At the start of an open: shows "BUG" when both document paths are set (and answers true).
bool ReportPathClash(std::string_view productImagePath, std::string_view defaultDatabasePath, UserPrompts& prompts);

// The one open document: the layouts, the region with its tables, the node store with the channel
// tree, the service list, the flash image, and what the document knows of its files: the two
// paths (a flash image or a default-database file), the chunk positions and the with-order form.
// Opening and saving flash images and default-database files happen here; every message and
// question goes through the prompts.
class Document final {
public:
    Document(UserPrompts& prompts, ProjectType type);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    UserPrompts& Prompts() const { return m_prompts; }
    ProjectType Type() const { return m_type; }
    void SetType(ProjectType type) { m_type = type; }

    // The layouts; after changing them call List().SetupColumns(NodeKind::Program).
    NodeSchema& Schema() { return m_schema; }
    const NodeSchema& Schema() const { return m_schema; }
    DatabaseImage& Image() { return m_image; }
    NodeStore& Store() { return m_store; }
    const NodeStore& Store() const { return m_store; }
    ServiceList& List() { return m_list; }
    const ServiceList& List() const { return m_list; }
    FlashImage& Flash() { return m_flash; }

    // Whether a flash image or a default-database file is open.
    bool IsOpen() const;
    // Whether the open database came from the user-database chunk of a flash image.
    bool FromUserChunk() const { return m_fromUserChunk; }

    // The open flash image, or the open default-database file; empty when none is open.
    const std::string& ProductImagePath() const { return m_productImagePath; }
    const std::string& DefaultDatabasePath() const { return m_defaultDatabasePath; }
    // Where the chunks of the open flash image lie.
    const std::optional<ChunkPositions>& Chunks() const { return m_chunks; }
    // Whether default databases are written with order numbers (the "df2" form).
    bool WithOrder() const { return m_withOrder; }
    void SetWithOrder(bool withOrder) { m_withOrder = withOrder; }
    // The navigator's selection: the item becomes the current item and the list shows it.
    void SelectItem(TreeItem* item);

    // --- Opening ---------------------------------------------------------------------------------

    // What the open command does with a default-database file once it is loaded: the editor
    // writes it straight back in the stored form of the project type; a reader leaves it alone.
    enum class LoadedFile { WriteBack, Keep };
    // The open command for a chosen file, by its extension in any case: "bin" asks "Load database
    // config" (default chunk preset, one box at a time) and opens that chunk's database; "ddf" and
    // "df2" close the document and load the file; unless loaded says to keep it, the file is then
    // written straight back in the stored form of the project type, unless that would cut it: then
    // the file stays as it was, the document stays modified and says so. Any other extension does
    // nothing. True when a database was opened.
    bool Open(const std::string& path, LoadedFile loaded = LoadedFile::WriteBack);
    // The user database of a flash image: the chunk chain walked, the region parsed, compacted
    // with the programs renumbered, the tree built and its first item shown. A failure leaves the
    // document closed.
    bool OpenUserDatabase(const std::string& path);
    // The default database of a flash image into an empty store ("Open Database Failed" when the
    // stream does not read).
    bool OpenDefaultDatabase(const std::string& path);
    // A .ddf / .df2 file. Into an open document it asks "Please select operation" (Merge or
    // Overwrite); a failure while merging leaves the document as it was, any other failure leaves
    // it closed.
    bool LoadDefaultDatabase(const std::string& path);

    // The stream of the tree into destination (see DefaultDatabase).
    std::optional<std::size_t> GenerateDefaultDatabase(std::span<std::uint8_t> destination, bool withOrder);
    // What the last default database generated did not keep: when it was cut for want of room,
    // what it left out; without order numbers, how many services are not where the channel order
    // puts them (DefaultDatabase::Misplaced). A save that cut (agreed to) is still a save, so that
    // a caller can report it.
    const std::optional<CutCounts>& LeftOut() const { return m_lastLoss.cut; }
    int Misplaced() const { return m_lastLoss.misplaced; }
    // A save that would leave records out, or the place of services in the channel order (a .ddf
    // keeps services only grouped by TP), writes nothing unless agreed to (see CutSaves); when the
    // last save was refused for that, what it would have lost.
    void SetCutSaves(CutSaves how) { m_cutSaves = how; }
    const std::optional<SaveLoss>& RefusedCut() const { return m_refusedCut; }
    // A plain stream into the store; on success "All Services" is selected.
    bool ParseDefaultDatabase(std::span<const std::uint8_t> stream);

    // --- Closing ---------------------------------------------------------------------------------

    // With unsaved edits in an open document asks "Do you save file?" and on Yes saves. False when
    // the question was dismissed (Escape, its close box), or the save was wanted and did not
    // happen (failed, cancelled, or a cut refused): the document is then kept as it is. No
    // leaves the document modified until it is closed or replaced, but is not asked again within
    // the same command; the command ends with ForgetSaveAnswer when it kept the document (the
    // open command does so itself).
    bool SavePrompt();
    void ForgetSaveAnswer() { m_saveDeclined = false; }
    // The save prompt, then back to the empty state. False (document kept) when the question was
    // dismissed or the save failed.
    bool CloseDocument();

    // --- Saving ----------------------------------------------------------------------------------

    // Reads the open flash image into the image buffer: 0, or -1 when none is open or unreadable.
    int LoadImage();
    bool WriteUserDatabaseIntoImage();
    // Writes the modified database back into the open flash image without asking: into the chunk
    // it came from (the default chunk with the with-order flag as it stands).
    SaveResult Save();
    // The save command: for a flash image "Save database config" decides the chunks (the default
    // chunk always with order); for a default-database file SaveDefaultDatabase.
    SaveResult SaveWithChunkChoice();
    // Save As to target, dispatched by its extension (see FlashImage::SaveAs); with a
    // default-database file open, SaveDefaultDatabaseAs. A ".csv" target of any open document gets
    // every service as a CSV file (ExportServiceCsv), which leaves the modified flag alone.
    SaveResult SaveAs(const std::string& target);
    // Writes the modified store to the open default-database file.
    SaveResult SaveDefaultDatabase();
    // Writes the store to target (with order for "df2" in any case), which becomes the open
    // default-database file once written.
    SaveResult SaveDefaultDatabaseAs(const std::string& target);
    // A .ddf / .df2 built in the open flash image's default area, with the with-order flag as set.
    bool SaveDefaultDatabaseThroughImage(const std::string& target);
    // The text listing of the current item.
    bool ExportText(const std::string& path);

private:
    // Back to the empty state without asking.
    void Reset();
    bool FailOpen();
    void RecordChunkPositions();
    SaveInputs Inputs();
    DefaultDatabaseGenerator Generator(bool withOrder);
    // GenerateDefaultDatabase through database, which may hold the stream its MeasureLoss made.
    std::optional<std::size_t> GenerateWith(DefaultDatabase& database, std::span<std::uint8_t> destination,
                                            bool withOrder);
    bool OpenChosen(const std::string& path, LoadedFile loaded);
    // Whether a default database may be written into room bytes: true when it keeps everything
    // or what it loses is agreed to, one question for the cut and one for the order; a refusal is
    // remembered (RefusedCut). The stream measured stays with database for the write.
    bool AgreeToCut(DefaultDatabase& database, const std::string& target, std::size_t room, bool withOrder,
                    CutSaves how);
    // Generates the file's bytes and writes them; with wholeOnly a database that would be cut is
    // not written (NothingDone) and nobody is asked.
    SaveResult WriteDefaultDatabaseFile(const std::string& target, bool withOrder, bool wholeOnly = false);
    void MarkSaved(SaveResult result);

    UserPrompts& m_prompts;
    ProjectType m_type;
    NodeSchema m_schema;
    DatabaseImage m_image;
    NodeStore m_store;
    ServiceList m_list;
    FlashImage m_flash;
    bool m_fromUserChunk = false;
    std::string m_productImagePath;
    std::string m_defaultDatabasePath;
    std::optional<ChunkPositions> m_chunks;
    bool m_withOrder = false;
    SaveLoss m_lastLoss;
    std::optional<SaveLoss> m_refusedCut;
    CutSaves m_cutSaves = CutSaves::Ask;
    bool m_saveDeclined = false;
};

} // namespace torvane
