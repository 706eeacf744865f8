// framework/Object.cpp - root class with runtime class information.
#include "framework/Object.h"

const CRuntimeClass CObject::classCObject = { "CObject", nullptr };

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &CObject::classCObject;
}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    for (const CRuntimeClass* p = GetRuntimeClass(); p; p = p->m_pBaseClass)
        if (p == pClass)
            return true;
    return false;
}
