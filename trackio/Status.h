#pragma once

#include <string>
#include <utility>

namespace qu {

// The outcome of a load or save: success, or a reason that names what failed and where.
class Status {
 public:
  Status() = default;
  static Status Failure(std::string reason) { return Status(std::move(reason)); }

  bool ok() const { return reason_.empty(); }
  explicit operator bool() const { return ok(); }
  const std::string& reason() const { return reason_; }

 private:
  explicit Status(std::string reason) : reason_(std::move(reason)) {
    if (reason_.empty()) reason_ = "unknown failure";
  }
  std::string reason_;
};

}  // namespace qu
