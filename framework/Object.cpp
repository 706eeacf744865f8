// framework/Object.cpp - root class with runtime class information.
#include "framework/Object.h"

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    static const CRuntimeClass classCObject = { "CObject" };
    return &classCObject;
}
