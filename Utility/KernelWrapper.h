#pragma once
// Logic classes and object data described by XML files, passed to the host's
// kernel. Files are named relative to the kernel's resource path.
#include <string>

#include "../module/ObjectId.h"

class IKernel;

// Registers the properties, records, column types and record visibility of a class
// from a class-definition file. 1 when the file was loaded and parsed (refusals by
// the kernel are logged and do not stop the loading), 0 otherwise.
int OnCreateClassFromXml(IKernel* kernel, int classIndex, const char* fileName);

// Stores the property values and record rows of an object-data file into an
// existing object, contained objects included. False when the file could not be
// loaded or parsed.
bool LoadObjectFromXml(IKernel* kernel, const ObjectId& obj, const char* fileName);

// The property's value as text by its type; empty when it is missing or of
// another type than int, float, string or wide string.
std::string QueryPropertyText(IKernel* kernel, const ObjectId& obj, const char* name);

// "int", "byte", "word", "dword" -> 2, "float" 3, "string" 4, "wstring" 5,
// "object" 6, "bool" 1; exact and case-sensitive, anything else 0.
int TypeCodeFromName(const char* name);

// "true" or "1"; everything else (and no text) is false.
bool BoolFromText(const char* text);

// Storage type name of a value type code: "DWORD", "FLOAT", "LONGSTR", "WIDESTR",
// "OBJECT", or empty.
std::string TypeDbName(int code);
