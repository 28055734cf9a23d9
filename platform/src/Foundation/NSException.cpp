#include "Foundation/NSException.h"

#include <utility>

const char* const NSInvalidArgumentException = "NSInvalidArgumentException";
const char* const NSRangeException = "NSRangeException";

NSException::NSException(std::string name, std::string reason)
    : name_(std::move(name)), reason_(std::move(reason)) {}

NSException::~NSException() = default;

void NSException::raise(const char* name, const std::string& reason) {
  throw NSException(name, reason);
}
