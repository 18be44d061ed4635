// Decoded frames shared between a source, its cache and the filters that
// read them, and a small least-recently-used cache bounded in bytes.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <utility>

#include "base/Frame.h"

namespace tandemix {

class FrameCache {
 public:
  // Holds frames up to `maxBytes` in all, but always the most recent one.
  explicit FrameCache(std::size_t maxBytes) : maxBytes_(maxBytes) {}

  FramePtr Find(int index) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->first != index) continue;
      entries_.splice(entries_.begin(), entries_, it);
      return it->second;
    }
    return nullptr;
  }

  void Put(int index, FramePtr frame) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->first == index) {
        bytes_ -= it->second->ByteSize();
        entries_.erase(it);
        break;
      }
    }
    bytes_ += frame->ByteSize();
    entries_.emplace_front(index, std::move(frame));
    while (entries_.size() > 1 && bytes_ > maxBytes_) {
      bytes_ -= entries_.back().second->ByteSize();
      entries_.pop_back();
    }
  }

  std::size_t Count() const { return entries_.size(); }
  std::size_t Bytes() const { return bytes_; }

 private:
  std::size_t maxBytes_;
  std::size_t bytes_ = 0;
  std::list<std::pair<int, FramePtr>> entries_;
};

}  // namespace tandemix
