#pragma once

namespace fendrel {

// Stores a new setting only when it differs, so that callers repaint only on
// real changes.
template <typename T>
bool UpdateField(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace fendrel
