#pragma once
// Results of the managers' operations, the file managers' and the window
// managers' alike.

namespace qvn::framework::level {

inline constexpr int Benign = 0;   // done
inline constexpr int User = 1;     // a window level below Fatal
inline constexpr int Program = 2;  // a window level below Fatal
inline constexpr int Fatal = 3;    // the file is not usable
inline constexpr int Cancel = 4;   // the user declined
inline constexpr int Notify = 5;   // a failure, already reported

}  // namespace qvn::framework::level
