#pragma once
// The wire form of a conversation: every message is one frame, a 16-byte
// header (magic, version, message type, sequence number, payload length, all
// little-endian) followed by the payload. A frame that breaks any of these
// rules, or announces more than max_payload bytes, ends the conversation.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvn::dde {

enum class MessageType : uint8_t {
  Initiate = 1,   // client: service, a NUL, topic
  Accept = 2,     // server: the conversation is open
  Refuse = 3,     // server: wrong service or topic
  Execute = 4,    // client: command text
  Ack = 5,        // server: command accepted
  Nack = 6,       // server: command refused, or no such item
  Request = 7,    // client: item name
  Data = 8,       // server: the item's text
  Terminate = 9,  // client: the conversation ends; no answer
};

inline constexpr uint32_t frame_magic = 0x45444451;  // "QDDE" as little-endian bytes
inline constexpr uint8_t frame_version = 1;
inline constexpr size_t frame_header_size = 16;
inline constexpr size_t max_payload = 64 * 1024;

struct Frame {
  MessageType type = MessageType::Terminate;
  uint32_t seq = 0;
  std::string payload;
};

// Header and payload as bytes. REQUIRES: payload.size() <= max_payload.
std::string encode_frame(MessageType type, uint32_t seq, std::string_view payload);

// Collects the bytes of a stream and cuts them into frames. Holds at most one
// header and one payload beyond what has been taken out.
class FrameReader {
 public:
  enum class Status { NeedMore, Complete, Malformed };

  void feed(const char* data, size_t size) { buffer_.append(data, size); }
  // Takes the next whole frame out of the buffer. Once Malformed, always Malformed.
  Status next(Frame& out);
  // True when some bytes of an unfinished frame are held.
  bool partial() const { return !buffer_.empty(); }

 private:
  std::string buffer_;
  bool broken_ = false;
};

}  // namespace qvn::dde
