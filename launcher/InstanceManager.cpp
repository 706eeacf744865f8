// launcher/InstanceManager.cpp - placeholder: filled in by its own change.
#include "launcher/InstanceManager.h"
IMPLEMENT_RUNTIME_CLASS(COXInstanceManager, CObject)
COXInstanceManager::COXInstanceManager(const char* n, uint32_t e) : m_sName(n), m_nListSize(0), m_nExtraSize(e), m_listMutex(nullptr), m_extraMutex(nullptr), m_hFileMap(NULL), m_pList(nullptr), m_pExtra(nullptr) {}
COXInstanceManager::~COXInstanceManager() {}
uint32_t COXInstanceManager::CountInstances() { return 0; }
bool COXInstanceManager::ListInstances(std::vector<uint32_t>&) { return false; }
bool COXInstanceManager::AddProcess(uint32_t) { return false; }
bool COXInstanceManager::RemoveProcess(uint32_t) { return false; }
void COXInstanceManager::ResetList() {}
bool COXInstanceManager::MapList() { return false; }
void COXInstanceManager::UnmapList() {}
void COXInstanceManager::UnmapExtra() {}
HWND FindMainWindow(DWORD) { return NULL; }
