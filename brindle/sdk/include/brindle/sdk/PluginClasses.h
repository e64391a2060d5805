// Base classes of the host's scene importers, scene exporters and
// utilities. The host calls their virtual operations in the slot order
// declared here; each may offer further interfaces (InterfaceServer.h).
#pragma once

#include <string>

#include "brindle/sdk/ClassDesc.h"
#include "brindle/sdk/InterfaceServer.h"

class Interface;     // the host application
class ImpInterface;  // what an importer builds the scene through
class ExpInterface;  // what an exporter reads the scene through
class IUtil;         // the utility command panel

class SceneImport : public HostHeapObject, public InterfaceServer {
public:
    virtual ~SceneImport();
    virtual int ExtCount() = 0;
    virtual const wchar_t* Ext(int n) = 0;
    virtual const wchar_t* LongDesc() = 0;
    virtual const wchar_t* ShortDesc() = 0;
    virtual const wchar_t* AuthorName() = 0;
    virtual const wchar_t* CopyrightMessage() = 0;
    virtual const wchar_t* OtherMessage1() = 0;
    virtual const wchar_t* OtherMessage2() = 0;
    virtual unsigned int Version() = 0;
    virtual void ShowAbout(HWND owner) = 0;
    // 1 when the import finished or was cancelled by the user, 0 on failure.
    virtual int DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                         BOOL suppressPrompts = FALSE) = 0;
    // -1: the host's answer for "not implemented".
    virtual int ZoomExtents() { return -1; }
};

class SceneExport : public HostHeapObject, public InterfaceServer {
public:
    virtual ~SceneExport();
    virtual int ExtCount() = 0;
    virtual const wchar_t* Ext(int n) = 0;
    virtual const wchar_t* LongDesc() = 0;
    virtual const wchar_t* ShortDesc() = 0;
    virtual const wchar_t* AuthorName() = 0;
    virtual const wchar_t* CopyrightMessage() = 0;
    virtual const wchar_t* OtherMessage1() = 0;
    virtual const wchar_t* OtherMessage2() = 0;
    virtual unsigned int Version() = 0;
    virtual void ShowAbout(HWND owner) = 0;
    virtual int DoExport(const wchar_t* name, ExpInterface* exporter, Interface* host,
                         BOOL suppressPrompts = FALSE, DWORD options = 0) = 0;
    // 0: no export option of the host is supported.
    virtual BOOL SupportsOptions(int /*extension*/, DWORD /*options*/) { return FALSE; }
};

class UtilityObj : public HostHeapObject, public InterfaceServer {
public:
    virtual ~UtilityObj();
    virtual void BeginEditParams(Interface* host, IUtil* utility) = 0;
    virtual void EndEditParams(Interface* host, IUtil* utility) = 0;
    virtual void SelectionSetChanged(Interface* /*host*/, IUtil* /*utility*/) {}
    virtual void DeleteThis() {}
    virtual void SetStartupParam(const std::wstring& /*parameter*/) {}
};
