#pragma once
// Tests and changes of an object's property where the operator and the operand
// come as text, as a rule or configuration file gives them. Comparison operators:
// "==", ">=", "<=", ">", "<", "!="; assignment operators: "=", "+", "-", "*", "/".
#include "../module/ObjectId.h"

class IKernel;

// The property compared with the value text by its type. An object property is
// equal-or-not whatever the operator. False when the property is missing.
bool CompareProperty(IKernel* kernel, const ObjectId& obj, const char* name, const char* op, const char* text);

// The property of a compared with that of b (a op b), by a's type. False unless
// both objects have it.
bool CompareObjectProperties(IKernel* kernel, const ObjectId& a, const ObjectId& b, const char* name, const char* op);

// Changes the property by the operator and the value text: numbers take all five
// operators, text "=" and "+" (append), objects only "=". False, with nothing
// stored, when the property is missing or the type does not take the operator.
bool ApplyToProperty(IKernel* kernel, const ObjectId& obj, const char* name, const char* op, const char* text);
