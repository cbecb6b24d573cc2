#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

struct DefaultStreamContent;
class NodeStore;
class TreeItem;

inline constexpr std::string_view kGenerateSatOutOfRangeMessage = "GenerateSatInfo : Out of Range";
inline constexpr std::string_view kGenerateTpOutOfRangeMessage = "GenerateTpInfo : Out of Range";
inline constexpr std::string_view kGenerateProgOutOfRangeMessage = "GenerateProgInfo : Out of Range";

// The channel tree of a store as a default-database stream (default_database_stream.h), and such
// a stream taken back into a store.
// What a default database that did not fit its room left out.
struct CutCounts {
    int services = 0;
    int tps = 0;
    int satellites = 0;

    bool operator==(const CutCounts&) const = default;
};

// The question before a save that would leave records out (the window adds kCutSaveQuestionEnd),
// and torvane-cli's refusal of such a save: "Saving "NAME" would leave out N services, N TPs and N
// satellites: they do not fit."
std::string CutSaveText(std::string_view target, const CutCounts& cut);
inline constexpr std::string_view kCutSaveQuestionEnd = "Save without them?";

// The question before a save without order numbers that cannot keep the place of services (the
// window adds kOrderSaveQuestionEnd), and torvane-cli's refusal of such a save: "Saving "NAME"
// cannot keep the place of N services outside their TP; save as .df2 to keep it."
std::string OrderSaveText(std::string_view target, int misplaced);
inline constexpr std::string_view kOrderSaveQuestionEnd = "Save anyway?";

// What a default database written into its room does not keep: the records that do not fit, and
// how many services it cannot keep in their place in the channel order (DefaultDatabase::Misplaced).
struct SaveLoss {
    std::optional<CutCounts> cut;
    int misplaced = 0;

    bool IsNone() const { return !cut && misplaced == 0; }
    bool operator==(const SaveLoss&) const = default;
};

class DefaultDatabase final {
public:
    explicit DefaultDatabase(NodeStore& store) : m_store(store) {}

    // Writes the stream of the whole tree into destination: satellites and TPs in tree order,
    // each TP's programs in the sequence of its item's program list (as built when the database
    // was opened or the list last shown) when the stream carries order numbers, which keep the
    // channel order, else in channel order. What does not fit is cut, and the
    // counts cover exactly the complete records written, so a cut stream still reads back. A cut
    // shows the "… : Out of Range" message of the piece that did not fit followed by a line
    // "N of M services did not fit.". Programs whose first declared field cannot be read, whose
    // order number is unknown or whose audio count cannot be read are not written (nor counted);
    // a program with more than 20 audio PIDs keeps the first 20. Answers the bytes written;
    // nothing when the tree has no "Satellite Information" item, the layouts have no compact
    // program form or the header does not fit. After MeasureLoss the stream measured is taken
    // when destination has its room and form, and the tree is not walked again.
    std::optional<std::size_t> GenerateDefaultDatabase(std::span<std::uint8_t> destination, bool withOrder);
    // Generates into room bytes of its own without showing a cut and answers what the stream does
    // not keep; nothing when not even its header fits. The stream is kept for the
    // GenerateDefaultDatabase that follows, so that a save that asks first walks the tree once.
    std::optional<SaveLoss> MeasureLoss(std::size_t room, bool withOrder);

    int SatellitesWritten() const { return m_satellites; }
    int TpsWritten() const { return m_tps; }
    int ProgramsWritten() const { return m_programs; }
    // Whether something did not fit, and how many programs that left out.
    bool WasCut() const { return m_cut; }
    int ProgramsLeftOut() const { return m_leftOut.services; }
    const CutCounts& LeftOut() const { return m_leftOut; }
    // Of the programs written without order numbers, how many do not stand where the channel
    // order (ascending order numbers) puts them. Reading the stream back numbers its programs in
    // record order: satellite by satellite, TP by TP. The count is the fewest programs that must
    // move in the channel order to reach that order (all of them less the longest run that both
    // orders share), so a move within a TP costs nothing and one service moved among another TP's
    // services counts one. Always 0 with order numbers.
    int Misplaced() const { return m_misplaced; }

    // Adds every satellite, TP and program of a plain stream to the store: new sat_id and tp_id
    // values from the pools, TP labels renumbered per satellite, the programs numbered as the
    // stream says when it carries order numbers (else by their new slots); programs added to a
    // store that already has some are numbered after them.
    // The stream is read whole before the store is touched, so a damaged stream
    // changes nothing; when a record cannot be added, the satellites added so far are deleted
    // again. The modified flag is cleared on success.
    bool ParseDefaultDatabase(std::span<const std::uint8_t> stream);
    // Whether the stream parsed last carried order numbers (the with-order form).
    bool StreamWithOrder() const { return m_streamWithOrder; }

private:
    // The order number each program of the stream gets, in stream order: the stream's own, but
    // numbered on after the programs already in the store when there are any.
    std::vector<std::int16_t> MergedOrders(const DefaultStreamContent& content);
    // The walk over the tree behind GenerateDefaultDatabase; the cut's message is left to the caller.
    std::optional<std::size_t> Generate(std::span<std::uint8_t> destination, bool withOrder);
    void ShowCut() const;

    // The stream MeasureLoss made, until a GenerateDefaultDatabase takes it.
    struct Measured {
        std::vector<std::uint8_t> stream;
        std::size_t length = 0;
        bool withOrder = false;
    };

    NodeStore& m_store;
    int m_satellites = 0;
    int m_tps = 0;
    int m_programs = 0;
    bool m_streamWithOrder = false;
    CutCounts m_leftOut;
    bool m_cut = false;
    int m_misplaced = 0;
    std::string_view m_cutMessage;
    std::optional<Measured> m_measured;
};

} // namespace torvane
