// CPluginFactory: the library's class registry handed to the host by GetPluginFactory.
#pragma once

#include <vector>

#include "vst3/fobject.h"
#include "vst3/ipluginbase.h"

namespace Steinberg {

class CPluginFactory : public FObject, public IPluginFactory3 {
 public:
  using CreateFunction = FUnknown* (*)(void* context);

  explicit CPluginFactory(const PFactoryInfo& info);
  ~CPluginFactory() override;

  // [main-thread] Adds a class; false when the class ID is already registered.
  bool registerClass(const PClassInfo2& info, CreateFunction createFunction, void* context = nullptr);

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  uint32 PLUGIN_API addRef() override { return FObject::addRef(); }
  uint32 PLUGIN_API release() override { return FObject::release(); }

  tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) override;
  int32 PLUGIN_API countClasses() override;
  tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) override;
  // [main-thread] Creates the object and answers the asked interface; the factory keeps no reference.
  tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) override;
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) override;
  tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) override;
  // [main-thread] Keeps a counted reference to the host context until the factory goes away.
  tresult PLUGIN_API setHostContext(FUnknown* context) override;

  FUnknown* getHostContext() const noexcept { return hostContext_.get(); }

 private:
  struct ClassEntry {
    PClassInfo2 info;
    CreateFunction create;
    void* context;
  };

  PFactoryInfo factoryInfo_;
  std::vector<ClassEntry> classes_;
  IPtr<FUnknown> hostContext_;
};

}  // namespace Steinberg
