// framework/Object.h - root class with runtime class information (no dynamic creation, no serialisation).
#pragma once

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
};

// Virtual slots, in this order: runtime-class query, destructor, serialisation hook.
class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() {}
    virtual void Serialize() {}

    bool IsKindOf(const CRuntimeClass* pClass) const;
    static const CRuntimeClass classCObject;

protected:
    CObject() {}
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define DECLARE_RUNTIME_CLASS(name)                       \
public:                                                   \
    static const CRuntimeClass class##name;               \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_RUNTIME_CLASS(name, base)                                   \
    const CRuntimeClass name::class##name = { #name, &base::class##base };    \
    const CRuntimeClass* name::GetRuntimeClass() const { return &name::class##name; }
