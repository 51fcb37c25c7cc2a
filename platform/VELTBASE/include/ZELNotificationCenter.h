// The platform's notification mechanism: how a driver hands notifications to its clients.
//
// A client subscribes to a source (a session identifier); the driver posts from its network thread; every
// subscription of the source receives every notification of it, in post order, each holding one reference of
// its own. Delivery is a pump: the client takes notifications with Wait on the thread it chooses. The poster
// never runs client code, so a slow or re-entrant client can neither stall the connection nor deadlock it,
// and a client may unsubscribe or release its session from inside its own handling.
//
// Thread-safe: every operation may be called from any thread. Queues are unbounded: nothing is dropped.
// Post takes its references under the center's lock (an AddRef must not call back into the center); the
// references given back by Unsubscribe and CloseSource are released outside it.
// What is still queued when the process exits is not released.
#pragma once

#include "VELTBASEExport.h"

class ZELBaseUnknown;

class VELTBASE_API ZELNotificationCenter {
 public:
  // A subscription to the notifications of `source`: > 0, or 0 when refused (no identifier or memory left).
  static int Subscribe(int source);
  // Ends a subscription: what it still queued is released; a Wait under way on it returns -1. Unknown: nothing.
  static void Unsubscribe(int subscription);
  // Queues `notification` on every subscription of `source`, each with one reference of its own (AddRef);
  // returns how many queued it (0 for a null notification). Never blocks on a client.
  static int Post(int source, ZELBaseUnknown* notification);
  // Takes the oldest queued notification of `subscription`, waiting up to timeoutMs (0 or less: no wait):
  // 1 with oNotification holding one reference for the caller; 0 when none came in time (oNotification null);
  // -1 when the subscription does not exist or ended during the wait (oNotification null).
  static int Wait(int subscription, int timeoutMs, ZELBaseUnknown*& oNotification);
  // Ends every subscription of `source` (the back end calls it when its session goes away).
  static void CloseSource(int source);
  // Queued and not yet taken; -1 for an unknown subscription.
  static int Pending(int subscription);

  ZELNotificationCenter() = delete;
};
