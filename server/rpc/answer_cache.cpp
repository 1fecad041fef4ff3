#include "server/rpc/answer_cache.h"

namespace totem::server {

void AnswerCache::Follow(const CommitStamp& stamp) {
  if (stamp == stamp_) return;
  answers_.clear();
  bytes_ = 0;
  stamp_ = stamp;
}

std::optional<std::string> AnswerCache::Find(const CommitStamp& stamp, std::string_view key) {
  std::lock_guard lock(mutex_);
  Follow(stamp);
  auto found = answers_.find(key);
  if (found == answers_.end()) return std::nullopt;
  return found->second;
}

void AnswerCache::Keep(const CommitStamp& stamp, std::string key, std::string answer) {
  std::lock_guard lock(mutex_);
  Follow(stamp);
  const std::size_t size = key.size() + answer.size();
  if (size > kMaxBytes) return;
  if (bytes_ + size > kMaxBytes) {
    answers_.clear();
    bytes_ = 0;
  }
  if (answers_.try_emplace(std::move(key), std::move(answer)).second) bytes_ += size;
}

std::string AnswerCache::Key(std::string_view method, const std::vector<std::string>& params) {
  std::string key(method);
  for (const std::string& param : params) {
    key += '\n';
    key += std::to_string(param.size());
    key += ':';
    key += param;
  }
  return key;
}

}  // namespace totem::server
