#include "platform/framework/request.h"

namespace qvn::framework {

thread_local int GlobalRequest = request::None;
thread_local int GlobalResponse = response::None;

}  // namespace qvn::framework
