#include "tool/scrubbedCurve.h"

#include <string>

namespace eccrypt::tool {

namespace {

// Assigning a string of the same length reuses the property's buffer, so the zeros land on
// the secret characters themselves before the property is emptied.
void ScrubProperty(TEllipticCurve& component, const std::string& (TEllipticCurve::*get)() const,
                   void (TEllipticCurve::*set)(const std::string&)) {
  const std::size_t length = (component.*get)().size();
  if (length == 0) return;
  (component.*set)(std::string(length, '\0'));
  (component.*set)(std::string());
}

}  // namespace

void ScrubPassPhrase(TEllipticCurve& component) {
  ScrubProperty(component, &TEllipticCurve::PassPhrase, &TEllipticCurve::SetPassPhrase);
}

void ScrubComponent(TEllipticCurve& component) {
  ScrubPassPhrase(component);
  ScrubProperty(component, &TEllipticCurve::KeySecret, &TEllipticCurve::SetKeySecret);
  ScrubProperty(component, &TEllipticCurve::KeySession, &TEllipticCurve::SetKeySession);
}

}  // namespace eccrypt::tool
