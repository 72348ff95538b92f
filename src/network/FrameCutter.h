#pragma once
// Cuts a received byte window into valid CMP frames. Used by the handshake and the dispatch.
//
// The rule: at each position read `len`; below 8, or larger than the receiver's window can ever
// hold (maxFrameLength), step one byte; larger than the bytes at hand, stop (incomplete); wrong
// checksum, step one byte; otherwise deliver the frame and step over it. The cost is linear in
// the window, even when every position carries a plausible length and a wrong checksum.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class FrameCutter {
  public:
    // Returns false to end the pass right after this frame.
    using Consumer = std::function<bool(const std::uint8_t* frame, std::size_t length)>;

    explicit FrameCutter(std::size_t maxFrameLength);

    // Returns the number of bytes consumed; the caller keeps the rest for the next pass.
    std::size_t Cut(const std::uint8_t* window, std::size_t n, const Consumer& consumer);

  private:
    std::size_t maxFrameLength_;
    std::vector<std::uint32_t> prefix_;  // scratch reused between passes
};
