// Foundation's exception, raised as a C++ exception. Callers catch it by
// reference: catch (const NSException& e).
#pragma once

#include <exception>
#include <string>

extern const char* const NSInvalidArgumentException;
extern const char* const NSRangeException;

class __attribute__((visibility("default"))) NSException : public std::exception {
 public:
  NSException(std::string name, std::string reason);
  ~NSException() override;

  const std::string& name() const { return name_; }
  const std::string& reason() const { return reason_; }
  const char* what() const noexcept override { return reason_.c_str(); }

  // Throws an exception with this name and reason.
  [[noreturn]] static void raise(const char* name, const std::string& reason);

 private:
  std::string name_;
  std::string reason_;
};
