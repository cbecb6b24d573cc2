#pragma once

#include <array>
#include <cstdint>

namespace torvane {

class NodeStore;
struct TreeNodeInfo;

// Every inserted or appended program starts from these bytes (as many as the program record
// holds; a longer record starts with zeros after them).
std::array<std::uint8_t, 256> NewProgramImage();

// Places a new program at position of the owner's program list: a program slot filled from the
// new-program image, put in at position (the entries from there move one place up; position =
// the number of programs appends), and an order number that fits its place. The order number is
// the lowest free one when it lies between the numbers of the programs before and after position,
// else one more than the highest in use; then one pass from position to the end of the list
// exchanges the numbers of neighbours that are out of order, so that the new program takes the
// number of the one it was put before, each following one the next one's number and the last the
// new number. Two neighbours with the same number show "Order Error!" and end the pass.
// The new slot, or -1 without a message when no record can be allocated (or position lies
// beyond the end of the list, or the owner is no item of the store's tree).
int CreateProgram(NodeStore& store, const TreeNodeInfo& owner, int position);

} // namespace torvane
