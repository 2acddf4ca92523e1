// What the registry suites share: the member program, unique application ids, and the
// removal of the blocks a test made (Linux keeps a block's file when its last member was
// killed; Windows drops a mapping with its last handle).
#pragma once

#include <string>

#include "instances/member_process.h"

constexpr int kWaitMs = 30000;

std::string memberPath();
std::string uniqueAppid(const std::string& what);
// Asks member for its list and returns the line.
std::string listOf(MemberProcess& member);
void removeNamedBlock(const std::string& appid);
void removeImageBlock(const std::string& executable);
#ifndef _WIN32
// The file of appid's block in the user's private directory.
std::string blockPath(const std::string& appid);
#endif
