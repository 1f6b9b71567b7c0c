// IPluginBase and the plug-in factory interfaces with their information records.
#pragma once

#include "vst3/funknown.h"

namespace Steinberg {

class IPluginBase : public FUnknown {
 public:
  // [main-thread] Called once after creation with the host's context object.
  virtual tresult PLUGIN_API initialize(FUnknown* context) = 0;
  // [main-thread] Called once before the last release.
  virtual tresult PLUGIN_API terminate() = 0;

  VARNOLITH_DECLARE_IID(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);

 protected:
  ~IPluginBase() = default;
};

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

struct PFactoryInfo {
  enum FactoryFlags : int32 {
    kNoFlags = 0,
    kClassesDiscardable = 1 << 0,
    kLicenseCheck = 1 << 1,
    kComponentNonDiscardable = 1 << 3,
    kUnicode = 1 << 4,
  };
  enum { kURLSize = 256, kEmailSize = 128, kNameSize = 64 };

  char8 vendor[kNameSize];
  char8 url[kURLSize];
  char8 email[kEmailSize];
  int32 flags;
};

struct PClassInfo {
  enum ClassCardinality : int32 { kManyInstances = 0x7FFFFFFF };
  enum { kCategorySize = 32, kNameSize = 64 };

  TUID cid;
  int32 cardinality;
  char8 category[kCategorySize];
  char8 name[kNameSize];
};

struct PClassInfo2 {
  enum { kVendorSize = 64, kVersionSize = 64, kSubCategoriesSize = 128 };

  TUID cid;
  int32 cardinality;
  char8 category[PClassInfo::kCategorySize];
  char8 name[PClassInfo::kNameSize];
  uint32 classFlags;
  char8 subCategories[kSubCategoriesSize];
  char8 vendor[kVendorSize];
  char8 version[kVersionSize];
  char8 sdkVersion[kVersionSize];
};

struct PClassInfoW {
  enum { kVendorSize = 64, kVersionSize = 64, kSubCategoriesSize = 128 };

  TUID cid;
  int32 cardinality;
  char8 category[PClassInfo::kCategorySize];
  char16 name[PClassInfo::kNameSize];
  uint32 classFlags;
  char8 subCategories[kSubCategoriesSize];
  char16 vendor[kVendorSize];
  char16 version[kVersionSize];
  char16 sdkVersion[kVersionSize];
};

#if defined(_WIN32)
#pragma pack(pop)
#endif

class IPluginFactory : public FUnknown {
 public:
  // [main-thread] Copies the factory's vendor information.
  virtual tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) = 0;
  // [main-thread] Number of registered classes.
  virtual int32 PLUGIN_API countClasses() = 0;
  // [main-thread] Copies the class information of one class.
  virtual tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) = 0;
  // [main-thread] Creates an instance of a class and answers the asked interface.
  virtual tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) = 0;

  VARNOLITH_DECLARE_IID(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);

 protected:
  ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
 public:
  // [main-thread] Copies the extended class information.
  virtual tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) = 0;

  VARNOLITH_DECLARE_IID(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);

 protected:
  ~IPluginFactory2() = default;
};

class IPluginFactory3 : public IPluginFactory2 {
 public:
  // [main-thread] Copies the class information with UTF-16 strings.
  virtual tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
  // [main-thread] Receives the host context for the factory.
  virtual tresult PLUGIN_API setHostContext(FUnknown* context) = 0;

  VARNOLITH_DECLARE_IID(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);

 protected:
  ~IPluginFactory3() = default;
};

}  // namespace Steinberg

#define kVstAudioEffectClass "Audio Module Class"
