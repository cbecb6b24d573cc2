#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/chunk_chain.h"
#include "database/default_database_region.h"
#include "schema/field_codec.h"
#include "util/saved_file.h"
#include "schema/project_type.h"

namespace torvane {

class UserPrompts;

inline constexpr std::string_view kUnrecognizedFileMessage = "Unrecognized file";
inline constexpr std::string_view kCantOpenMessage = "Can't open ";  // followed by the path
inline constexpr std::string_view kCantFindUpgradeBinMessage = "Can't find upgrade bin";
inline constexpr std::string_view kSaveChunkCaption = "Save database config";
// Refusals of damaged images that would otherwise be read or written in the wrong place.
inline constexpr std::string_view kNoUserChunkMessage = "No user database chunk in this file";
inline constexpr std::string_view kNoDefaultChunkMessage = "No default database chunk in this file";
inline constexpr std::string_view kBadReservedSizeMessage = "Bad reserved size in the user database chunk";
inline constexpr std::string_view kRegionOutsideFileMessage =
    "The user database region lies outside its chunk or the file";
inline constexpr std::string_view kFixedDefaultAreaTakenMessage =
    "This image has no default database chunk, and the default database's fixed place (0xC0000 to "
    "0xDFF80) lies in another chunk: the default database cannot be written into this image";

inline constexpr std::string_view kDefaultFileTooLargeMessage = "The database is too large for a default database file";
// kDefaultFileTooLargeMessage with the bytes the database takes and the bytes a file holds.
std::string DefaultFileTooLargeMessage(std::size_t needed, std::size_t room);

// Without a default-database chunk the default database lives at a fixed place of the image, with
// its chunk header at 0xC0000 and its data from 0xC0080 up to 0xDFF80. The place is used only when
// no chunk of the walk lies in it (the one that ended a broken walk included).
inline constexpr std::uint64_t kFixedDefaultChunkOffset = 0xC0000;
inline constexpr std::uint64_t kFixedDefaultChunkEnd = 0xDFF80;

// The user database inside the user chunk: the chunk's data after the reserved size.
struct UserRegion {
    std::uint64_t offset = 0;        // file offset (parserdb's offset)
    std::uint64_t length = 0;        // region length (parserdb's length, and the capacity on save)
    std::uint64_t reservedSize = 0;  // bytes kept free at the start of the chunk's data

    bool operator==(const UserRegion&) const = default;
};

// What the default-database reader is handed when an image's default chunk is opened.
struct DefaultDatabaseSource {
    std::vector<std::uint8_t> stream;     // the plain stream (decompressed for ZUV_DVBS_V4)
    std::uint64_t emptyRegionLength = 0;  // size of the empty DatabaseImage region to prepare
};

// A stretch of the image buffer.
struct ImageArea {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;

    bool operator==(const ImageArea&) const = default;
};

enum class DatabaseChunk { User, Default };
enum class SaveResult { NothingDone, Saved, Failed };
enum class SaveAsKind { Bin, Ddf, Df2, Txt, Csv, Other };

// Save As dispatches on the target's extension: "bin", "ddf", "df2" and "csv" in any case, "txt"
// exactly.
SaveAsKind SaveAsKindOf(std::string_view path);

// Builds the user-database region into the 0xFF-filled span (CreateUserDataImage).
using UserRegionBuilder = std::function<bool(std::span<std::uint8_t> region)>;

// What the document gives a save: the builders of its two databases and its flags.
struct SaveInputs {
    ProjectType projectType = ProjectType::ZUV_DVBS_V1;
    UserRegionBuilder createUserDataImage;
    // The DatabaseImage's region length; shorter than the chunk's capacity gives "Out of Range".
    std::uint64_t databaseRegionLength = 0;
    // GenerateDefaultDatabase into the range, in the with-order form when withOrder is set.
    std::function<std::optional<std::size_t>(std::span<std::uint8_t> destination, bool withOrder)>
        generateDefaultDatabase;
    bool withOrder = false;  // the store's with-order flag as it stands
    // The chunk the database was opened from: the one "Save database config" has checked at first.
    DatabaseChunk openedFrom = DatabaseChunk::Default;
    // Asked before a default database is generated into room bytes of stream for target: false
    // when it would not fit and the cut is not agreed to; the save then writes nothing.
    std::function<bool(const std::string& target, std::size_t room, bool withOrder)> agreeToCut;
    // Writes the text listing to the target (Save As ".txt").
    std::function<bool(const std::string& target)> exportText;
};

// A receiver's flash image: where its databases lie, and the image buffer of a save. The walk's
// results are taken when a database is opened; a save reads the file again from disk, writes the
// databases into the buffer and replaces the file atomically. The buffer lives only during a save.
class FlashImage final {
public:
    // The byte side of opening the user database: walks the chain (limit 0x200000), reads the
    // reserved size and returns the region for parserdb. Failures show their message, close the
    // image and give nothing; an empty path does nothing.
    std::optional<UserRegion> OpenUserDatabase(const std::string& path, UserPrompts& prompts);
    // The byte side of opening the default database: the chunk's data, decompressed for
    // ZUV_DVBS_V4, for the default-database reader.
    std::optional<DefaultDatabaseSource> OpenDefaultDatabase(const std::string& path, ProjectType type,
                                                             UserPrompts& prompts);
    // Forgets the path, the chunk positions and any image buffer.
    void Close();

    bool IsOpen() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    const ChunkWalk& Walk() const { return m_walk; }
    // The user region found when the image was opened, if its chunk is sound.
    const std::optional<UserRegion>& UserDatabaseRegion() const { return m_userRegion; }

    // Reads the open image into the image buffer; false when none is open or it cannot be read.
    bool LoadImage();
    bool IsLoaded() const { return m_image.has_value(); }
    std::span<const std::uint8_t> Image() const;
    void DropImage() { m_image.reset(); }
    // The default-database area of the loaded image, when the image holds it whole.
    std::optional<ImageArea> DefaultArea() const;
    // Bytes of default-database stream the image's area takes: the area for the plain project
    // types, the scratch stream that is compressed for ZUV_DVBS_V4; nothing without an area.
    std::optional<std::size_t> DefaultStreamRoom(ProjectType type) const;

    // Fills the user region of the image buffer with 0xFF and builds the user database into it.
    bool WriteUserDatabaseIntoImage(const UserRegionBuilder& build, std::uint64_t databaseRegionLength,
                                    UserPrompts& prompts);
    // Reloads the image, generates the default database into its zero-filled area and fixes the
    // chunk's length and CRC words.
    bool WriteDefaultArea(ProjectType type, const DefaultDatabaseGenerator& generate, UserPrompts& prompts);
    // Writes the image buffer to target atomically and drops the buffer.
    bool WriteImageToDisk(const std::string& target, UserPrompts& prompts);
    // Save As ".ddf"/".df2" with an image open: the default database is built in the image and the
    // area's written part goes to target; the image on disk is not changed. A database that a
    // default-database file cannot hold (0x2FF00 plain bytes, 0xFF00 compressed) is refused with
    // kDefaultFileTooLargeMessage and nothing is written.
    bool SaveDefaultDatabaseThroughImage(const std::string& target, ProjectType type,
                                         const DefaultDatabaseGenerator& generate, UserPrompts& prompts);

    // The save without questions: the chunk the database came from, then the image to its path.
    bool Save(DatabaseChunk from, const SaveInputs& inputs, UserPrompts& prompts);
    // "Save database config": the chosen chunks (default one in the with-order form), then the image.
    SaveResult SaveWithChunkChoice(const SaveInputs& inputs, UserPrompts& prompts);
    // Save As to a chosen target, by its extension. A ".bin" makes target the open image.
    SaveResult SaveAs(const std::string& target, const SaveInputs& inputs, UserPrompts& prompts);

private:
    struct ChunkSpan {
        std::uint64_t offset = 0;  // the chunk header
        std::uint64_t extent = 0;  // bytes from the header to the chunk's end
    };

    // Closes, remembers path and walks its chain; false (with its message) when the file is not
    // recognised or lacks the needed chunk.
    bool BeginOpen(const std::string& path, DatabaseChunk needed, UserPrompts& prompts);
    void LocateUserRegion(std::optional<std::uint8_t> reservedByte, std::uint64_t fileSize);
    std::optional<ChunkSpan> DefaultChunkSpan() const;
    bool FixedPlaceIsFree() const;
    std::optional<std::size_t> GenerateIntoDefaultArea(ProjectType type, const DefaultDatabaseGenerator& generate,
                                                      UserPrompts& prompts);
    SaveResult SaveChosenChunks(const std::string& target, const SaveInputs& inputs, UserPrompts& prompts);
    // Whether the default database may go into the image's area (or a file made from it).
    bool AgreeToCut(const std::string& target, const SaveInputs& inputs, bool withOrder) const;

    std::string m_path;
    ChunkWalk m_walk;
    std::optional<UserRegion> m_userRegion;
    std::string_view m_userRegionProblem = kNoUserChunkMessage;
    std::optional<std::vector<std::uint8_t>> m_image;
};

} // namespace torvane
