// The process-wide pointer through which the launch sequence and the signal handler reach
// the session that the entry owns. The configuration store's pointer, activeConfig, lives
// with the store in config/config_store.h, and the instance registry's, activeRegistry,
// with the registry in instances/instance_registry.h.
//
// It is written by the entry before the launch starts and cleared after it has ended; it is
// a plain pointer without a lock. Same on every platform.
#pragma once

class JvmSession;

extern JvmSession* activeSession;
