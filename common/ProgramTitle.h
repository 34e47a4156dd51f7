// The title of a box that names none of its own, in both programs.
#pragma once

namespace carrydeck {

inline const char* const kProgramTitle = "Fenwright's Carrydeck";

}  // namespace carrydeck
