// The process-wide pointers through which value expansion, the message table, the launch
// sequence and every native reach the objects that the entry owns.
//
// They are written by the entry before the launch starts and cleared after it has ended
// (activeRegistry is shut down instead of cleared); they are plain pointers without locks.
// Same on every platform.
#pragma once

class ConfigStore;
class JvmSession;
class InstanceRegistry;

extern ConfigStore* activeConfig;
extern JvmSession* activeSession;
extern InstanceRegistry* activeRegistry;
