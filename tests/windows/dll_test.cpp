// The built quorvalent_excel.dll as Excel meets it: registered by regsvr32 (dll_test.sh), created
// by its ProgID, called through the vtable of the add-in interface, and unloadable after.
#include <gtest/gtest.h>

#include <cstdlib>

#include "com/com_ptr.h"
#include "com/registration.h"
#include "connect_com/extensibility.h"
#include "fake_excel.h"
#include "fake_ribbon.h"
#include "values/utf16_win32.h"

namespace qv::testing {
namespace {

using excel::ComPtr;
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// An entry point of the DLL, by name.
template <typename F>
F Export(HMODULE dll, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

class DllTest : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override {
    CoFreeUnusedLibrariesEx(0, 0);
    CoUninitialize();
  }
};

TEST_F(DllTest, TheTypeLibraryPlacesTheAddinInterfaceAfterIDispatch) {
  const char* path = std::getenv("QV_EXCEL_DLL");
  ASSERT_NE(path, nullptr) << "run through dll_test.sh";
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibEx(ToUtf16(path).c_str(), REGKIND_NONE, library.Receive()), S_OK);
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(library->GetTypeInfoOfGuid(excel::kIDTExtensibility2, dispatch.Receive()), S_OK);
  // The vtable half of the dual interface.
  HREFTYPE ref = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(dispatch->GetRefTypeInfo(ref, info.Receive()), S_OK);
  const wchar_t* names[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate",
                            L"OnStartupComplete", L"OnBeginShutdown"};
  const short params[] = {4, 2, 1, 1, 1};
  for (UINT i = 0; i < 5; ++i) {
    FUNCDESC* f = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
    BSTR name = nullptr;
    info->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
    EXPECT_STREQ(name, names[i]);
    SysFreeString(name);
    EXPECT_EQ(f->oVft, static_cast<short>((7 + i) * sizeof(void*))) << i;
    EXPECT_EQ(f->cParams, params[i]);
    info->ReleaseFuncDesc(f);
  }
  CLSID connect{};
  CLSIDFromString(excel::WideClassId().c_str(), &connect);
  ComPtr<ITypeInfo> coclass;
  EXPECT_EQ(library->GetTypeInfoOfGuid(connect, coclass.Receive()), S_OK);
}

TEST_F(DllTest, CreatedByItsProgIdItConnectsAndDisconnectsThroughTheVtable) {
  CLSID cls{};
  ASSERT_EQ(CLSIDFromProgID(ToUtf16(excel::kProgId).c_str(), &cls), S_OK);
  CLSID expected{};
  CLSIDFromString(excel::WideClassId().c_str(), &expected);
  EXPECT_TRUE(IsEqualCLSID(cls, expected));

  host::MemoryApplication model;
  model.AddWorkbook("Book1");
  FakeExcel excel{model};
  {
    ComPtr<IUnknown> object;
    ASSERT_EQ(CoCreateInstance(cls, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(object.Receive())),
              S_OK);
    ComPtr<excel::IDTExtensibility2> addin;
    ASSERT_EQ(object->QueryInterface(excel::kIDTExtensibility2,
                                     reinterpret_cast<void**>(addin.Receive())),
              S_OK);
    EXPECT_EQ(
        addin->OnConnection(excel.Application(), excel::ConnectMode::Startup, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(addin->OnStartupComplete(nullptr), S_OK);
    ASSERT_NE(model.GetCommandBars().Find("Quorvalent"), nullptr);
    EXPECT_GT(excel.AdvisedSinks(), 0u);
    {
      // The office then asks for the ribbon's tab, through the second vtable.
      FakeRibbon ribbon(object.Get());
      ASSERT_EQ(ribbon.Buttons().size(), 10u);
      EXPECT_EQ(ribbon.UiHeld(), 1u);
      EXPECT_TRUE(ribbon.Enabled(ribbon.Buttons().front()));
      EXPECT_FALSE(ribbon.Enabled(ribbon.Buttons().back()));
      EXPECT_EQ(ribbon.Image(ribbon.Buttons()[1]).cx, 16);
      EXPECT_EQ(addin->OnDisconnection(excel::DisconnectMode::UserClosed, nullptr), S_OK);
      EXPECT_EQ(ribbon.UiHeld(), 0u);
      EXPECT_EQ(addin->OnConnection(excel.Application(), excel::ConnectMode::AfterStartup, nullptr,
                                    nullptr),
                S_OK);
    }

    HMODULE dll = GetModuleHandleW(L"quorvalent_excel.dll");
    ASSERT_NE(dll, nullptr);
    const auto canUnload = Export<CanUnloadNow>(dll, "DllCanUnloadNow");
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);

    EXPECT_EQ(addin->OnBeginShutdown(nullptr), S_OK);
    EXPECT_EQ(addin->OnDisconnection(excel::DisconnectMode::HostShutdown, nullptr), S_OK);
    EXPECT_EQ(excel.Held(), std::vector<std::string>{});
    EXPECT_EQ(excel.AdvisedSinks(), 0u);
    addin.Reset();
    object.Reset();
    EXPECT_EQ(canUnload(), S_OK);
  }
}

TEST_F(DllTest, TheFactoryRefusesAggregationAndOtherClasses) {
  HMODULE dll = LoadLibraryW(ToUtf16(std::getenv("QV_EXCEL_DLL")).c_str());
  ASSERT_NE(dll, nullptr);
  const auto getClassObject = Export<GetClassObject>(dll, "DllGetClassObject");
  ASSERT_NE(getClassObject, nullptr);
  void* out = nullptr;
  EXPECT_EQ(getClassObject(IID_IDispatch, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  CLSID cls{};
  CLSIDFromString(excel::WideClassId().c_str(), &cls);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(getClassObject(cls, IID_IClassFactory, reinterpret_cast<void**>(factory.Receive())),
            S_OK);
  IUnknown* made = nullptr;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown,
                                    reinterpret_cast<void**>(&made)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  const auto canUnload = Export<CanUnloadNow>(dll, "DllCanUnloadNow");
  EXPECT_EQ(canUnload(), S_FALSE);  // locked
  ComPtr<IClassFactory> again;
  getClassObject(cls, IID_IClassFactory, reinterpret_cast<void**>(again.Receive()));
  again->LockServer(FALSE);
  again.Reset();
  EXPECT_EQ(canUnload(), S_OK);
  FreeLibrary(dll);
}

}  // namespace
}  // namespace qv::testing
