// framework/Object.h - root class with runtime class information (no dynamic creation, no serialisation).
#pragma once

// What a class says of itself at run time: its name.
struct CRuntimeClass {
    const char* m_lpszClassName;
};

// Virtual slots, in this order: runtime-class query, destructor, serialisation hook.
class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() {}
    virtual void Serialize() {}

protected:
    CObject() {}
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define DECLARE_RUNTIME_CLASS(name)                       \
public:                                                   \
    static const CRuntimeClass class##name;               \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_RUNTIME_CLASS(name)                                         \
    const CRuntimeClass name::class##name = { #name };                        \
    const CRuntimeClass* name::GetRuntimeClass() const { return &name::class##name; }
