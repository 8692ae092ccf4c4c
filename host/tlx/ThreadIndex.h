// Small per-thread numbers for trace records (internal to the tool library).
#pragma once

namespace TLX {
namespace Internals {
// The calling thread's number; given on first use, counting from 1 in the order threads ask.
unsigned CurrentThreadIndex();
} // namespace Internals
} // namespace TLX
