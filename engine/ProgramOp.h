#pragma once

#include <cstdint>

namespace zekt {

// The operations of one run, as a bit set.
using ProgramOp = uint32_t;

inline constexpr ProgramOp opProgCode = 0x001;
inline constexpr ProgramOp opProgData = 0x002;
inline constexpr ProgramOp opProgConfig = 0x004;
inline constexpr ProgramOp opVerifyCode = 0x008;
inline constexpr ProgramOp opVerifyData = 0x010;
inline constexpr ProgramOp opVerifyConfig = 0x020;
inline constexpr ProgramOp opErase = 0x040;
inline constexpr ProgramOp opReadConfig = 0x080;
inline constexpr ProgramOp opReadCode = 0x100;
inline constexpr ProgramOp opReadData = 0x200;

// The sets the commands pass.
inline constexpr ProgramOp kOpsProgramRadio = 0x7F; // erase, write and verify everything
// Frequency writing reads its page back too: a frequency word that did not
// take must fail the run, not pass as written.
inline constexpr ProgramOp kOpsWriteFrequencies =
    opProgCode | opProgData | opProgConfig | opVerifyCode | opVerifyData; // from start word 7936
inline constexpr ProgramOp kOpsReadIdentification = opReadConfig;
inline constexpr ProgramOp kOpsReadMemories = opReadCode | opReadData; // from start word 7936

} // namespace zekt
