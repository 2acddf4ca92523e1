// Windows drops a mapping with its last handle: nothing to remove.
#include "instances/member_test_support.h"

void removeNamedBlock(const std::string&) {}

void removeImageBlock(const std::string&) {}
