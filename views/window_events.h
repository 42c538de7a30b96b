// The notices to the views as Qt events (the window's UM_DATA_CHANGED message, 0x404). They are always posted,
// never sent: either thread may post them, and the receiving view handles them on the user-interface thread in
// posting order.
#pragma once

#include <QCoreApplication>
#include <QEvent>

#include "analysis/job_host.h"

namespace ossel {

class DataChangedEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 0x404);

  DataChangedEvent(DataChange change, RowTarget rows) : QEvent(kType), change(change), rows(rows) {}

  const DataChange change;
  const RowTarget rows;
};

// Posts the notice to `receiver`; thread-safe, never waits.
inline void PostDataChanged(QObject* receiver, DataChange change, RowTarget rows) {
  if (receiver) QCoreApplication::postEvent(receiver, new DataChangedEvent(change, rows));
}

}  // namespace ossel
