// The system's private window messages as Qt events. UM_DATA_CHANGED is always posted, never sent: either thread
// may post it, and the receiving view handles it on the user-interface thread in posting order.
#pragma once

#include <QCoreApplication>
#include <QEvent>

#include "analysis/job_host.h"

namespace ossel {

class DataChangedEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + kUmDataChanged);

  DataChangedEvent(int wParam, int lParam) : QEvent(kType), wParam(wParam), lParam(lParam) {}

  const int wParam;
  const int lParam;
};

// Posts UM_DATA_CHANGED (wParam, lParam) to `receiver`; thread-safe, never waits.
inline void PostDataChanged(QObject* receiver, int wParam, int lParam) {
  if (receiver) QCoreApplication::postEvent(receiver, new DataChangedEvent(wParam, lParam));
}

}  // namespace ossel
