#include "platform/dde/frame.h"

namespace qvn::dde {

namespace {

void put_u32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t get_u32(const char* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}

bool known_type(uint8_t t) {
  return t >= static_cast<uint8_t>(MessageType::Initiate) && t <= static_cast<uint8_t>(MessageType::Terminate);
}

}  // namespace

std::string encode_frame(MessageType type, uint32_t seq, std::string_view payload) {
  std::string out;
  out.reserve(frame_header_size + payload.size());
  put_u32(out, frame_magic);
  out.push_back(static_cast<char>(frame_version));
  out.push_back(static_cast<char>(type));
  out.push_back('\0');
  out.push_back('\0');
  put_u32(out, seq);
  put_u32(out, static_cast<uint32_t>(payload.size()));
  out.append(payload);
  return out;
}

FrameReader::Status FrameReader::next(Frame& out) {
  if (broken_) return Status::Malformed;
  if (buffer_.size() < frame_header_size) {
    // A wrong magic is recognised as soon as its bytes are in, so junk does not
    // wait for a whole header to be thrown out.
    for (size_t i = 0; i < buffer_.size() && i < 4; ++i) {
      if (static_cast<unsigned char>(buffer_[i]) != ((frame_magic >> (8 * i)) & 0xFF)) {
        broken_ = true;
        return Status::Malformed;
      }
    }
    return Status::NeedMore;
  }
  const char* p = buffer_.data();
  uint32_t length = get_u32(p + 12);
  if (get_u32(p) != frame_magic || static_cast<uint8_t>(p[4]) != frame_version ||
      !known_type(static_cast<uint8_t>(p[5])) || p[6] != 0 || p[7] != 0 || length > max_payload) {
    broken_ = true;
    return Status::Malformed;
  }
  if (buffer_.size() < frame_header_size + length) return Status::NeedMore;
  out.type = static_cast<MessageType>(p[5]);
  out.seq = get_u32(p + 8);
  out.payload.assign(buffer_, frame_header_size, length);
  buffer_.erase(0, frame_header_size + length);
  return Status::Complete;
}

}  // namespace qvn::dde
