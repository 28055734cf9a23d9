#include "entry/RegExpExtensions.h"

#include "Foundation/NSPredicate.h"

BOOL doesMatchRegStringExp(const NSString* receiver, const NSString* pattern) {
  if (!receiver || !pattern) return NO;
  NSAutoreleasePool pool;
  NSPredicate* predicate =
      NSPredicate::predicateWithFormat("SELF MATCHES %@", const_cast<NSString*>(pattern));
  return predicate->evaluateWithObject(receiver);
}
