#pragma once
// The request a caller leaves for a window procedure and the response the
// procedure leaves back. Procedures take no parameters: the caller sets
// GlobalRequest and calls; the callee's Init takes the request over and
// clears it; when the callee returns, its response is in GlobalResponse.
// Both are the thread's own.

namespace qvn::framework {

namespace request {
inline constexpr int None = 0;
inline constexpr int Insert = 1;
inline constexpr int Change = 2;
inline constexpr int Delete = 3;
inline constexpr int Select = 4;
inline constexpr int View = 6;
}  // namespace request

namespace response {
inline constexpr int None = 0;
inline constexpr int Completed = 1;
inline constexpr int Cancelled = 2;
}  // namespace response

extern thread_local int GlobalRequest;
extern thread_local int GlobalResponse;

}  // namespace qvn::framework
