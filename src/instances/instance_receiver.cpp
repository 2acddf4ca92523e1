// The process-wide receiver record.
#include "instances/instance_receiver.h"

InstanceReceiver& instanceReceiver() {
    static InstanceReceiver receiver;
    return receiver;
}
