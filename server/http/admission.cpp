#include "server/http/admission.h"

#include <malloc.h>

namespace totem::server {

bool WaitQuota::Acquire(const std::string& token, const std::string& address) {
  std::lock_guard lock(mutex_);
  auto& byToken = tokens_[token];
  auto& byAddress = addresses_[address];
  if ((!token.empty() && byToken >= perToken_) || byAddress >= perAddress_) {
    if (byToken == 0) tokens_.erase(token);
    if (byAddress == 0) addresses_.erase(address);
    return false;
  }
  ++byToken;
  ++byAddress;
  return true;
}

void WaitQuota::Release(const std::string& token, const std::string& address) {
  std::lock_guard lock(mutex_);
  Lower(tokens_, token);
  Lower(addresses_, address);
}

void WaitQuota::Lower(Counts& counts, const std::string& key) {
  auto it = counts.find(key);
  if (it == counts.end()) return;
  if (--it->second == 0) counts.erase(it);
}

void AnswerBudget::Free(std::size_t bytes) {
  const std::size_t freed = sinceTrim_.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  const std::size_t left = held_.fetch_sub(bytes, std::memory_order_relaxed) - bytes;
  if (left == 0 && freed >= bytes_ && sinceTrim_.exchange(0, std::memory_order_relaxed) >= bytes_)
    malloc_trim(0);
}

}  // namespace totem::server
