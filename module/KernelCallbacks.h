#pragma once
// Function types the library registers with the host and its siblings.
#include "IVarList.h"
#include "ObjectId.h"

class IKernel;

// Events, commands and custom messages: (kernel, object, sender, arguments).
// A command's and a custom message's arguments carry its id as element 0.
using EventCallback = int (*)(IKernel* kernel, const ObjectId& self, const ObjectId& sender, const IVarList& args);
using CommandCallback = EventCallback;
using CustomCallback = EventCallback;

// Named heartbeats: (kernel, object the heartbeat is attached to).
using HeartBeatCallback = int (*)(IKernel* kernel, const ObjectId& self);

// Watched property changes: (kernel, object, property name, previous value as a
// one-value list).
using PropertyCallback = int (*)(IKernel* kernel, const ObjectId& self, const char* property, const IVarList& previous);
