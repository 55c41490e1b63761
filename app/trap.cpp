#include "trap.h"

#include <cmath>

int toWholeNumber(const QString& text) {
  const QString t = text.trimmed();
  bool ok = false;
  const int whole = t.toInt(&ok);
  if (ok) return whole;
  // Stored numbers may carry a fraction ("42.0"); round half to even as the old runtime did.
  const double d = t.toDouble(&ok);
  if (ok && std::isfinite(d) && std::fabs(d) < 2147483647.0) return int(std::nearbyint(d));
  throw StepFailed(QStringLiteral("not a number: \"%1\"").arg(text));
}
