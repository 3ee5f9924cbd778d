// The question asked before an existing output file is replaced.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

// Prints "<question>? [<choices>]", waits for the first letter of one of the "/"-separated
// choices (any case), wipes the prompt and returns the choice's position from 1. Returns 0 when
// standard input ends before a choice was made.
std::int32_t AskChoice(std::string_view question, std::string_view choices);

// 1 when the map may be saved under `name`: it does not exist yet, `always_bit` is set in
// `option_flags`, or the user answers Yes or Always (Always sets the bit for the rest of the
// run). Deletes nothing: the save itself replaces the file once the new one is complete.
std::int32_t ConfirmOverwrite(const std::string& name, std::uint32_t& option_flags, std::uint32_t always_bit);

}  // namespace tessaro
