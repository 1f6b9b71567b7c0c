#include "vst3/pluginfactory.h"

#include <cstring>
#include <string>

#include "vst3/string16.h"

namespace Steinberg {

namespace {

template <std::size_t N>
void copyText(char8 (&dest)[N], const char8* source) {
  // Bounded copy; a longer source is cut at N - 1 characters.
  const std::size_t length = source ? strnlen(source, N - 1) : 0;
  std::memcpy(dest, source ? source : "", length);
  std::memset(dest + length, 0, N - length);
}

template <std::size_t N, std::size_t M>
void convertText(char16 (&dest)[N], const char8 (&source)[M]) {
  const std::u16string wide = [&] {
    std::u16string out;
    if (!utf8ToUtf16(std::string_view(source, strnlen(source, M)), out)) {
      out.clear();
      for (std::size_t i = 0; i < M && source[i]; ++i) out.push_back(static_cast<unsigned char>(source[i]));
    }
    return out;
  }();
  copyString16(wide.c_str(), dest, N);
}

}  // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo_(info) {}

CPluginFactory::~CPluginFactory() = default;

bool CPluginFactory::registerClass(const PClassInfo2& info, CreateFunction createFunction, void* context) {
  if (!createFunction) return false;
  for (const auto& entry : classes_) {
    if (iidEqual(entry.info.cid, info.cid)) return false;
  }
  classes_.push_back({info, createFunction, context});
  return true;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (answerInterface<IPluginFactory>(this, iid, obj) || answerInterface<IPluginFactory2>(this, iid, obj) ||
      answerInterface<IPluginFactory3>(this, iid, obj) || answerInterface<FUnknown, FObject>(this, iid, obj)) {
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
  if (!info) return kInvalidArgument;
  std::memcpy(info, &factoryInfo_, sizeof(PFactoryInfo));
  return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() { return static_cast<int32>(classes_.size()); }

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
  if (!info) return kInvalidArgument;
  if (index < 0 || index >= countClasses()) return kInvalidArgument;
  const PClassInfo2& source = classes_[static_cast<std::size_t>(index)].info;
  std::memset(info, 0, sizeof(PClassInfo));
  std::memcpy(info->cid, source.cid, sizeof(TUID));
  info->cardinality = source.cardinality;
  copyText(info->category, source.category);
  copyText(info->name, source.name);
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
  if (!info) return kInvalidArgument;
  if (index < 0 || index >= countClasses()) return kInvalidArgument;
  std::memcpy(info, &classes_[static_cast<std::size_t>(index)].info, sizeof(PClassInfo2));
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
  if (!info) return kInvalidArgument;
  if (index < 0 || index >= countClasses()) return kInvalidArgument;
  const PClassInfo2& source = classes_[static_cast<std::size_t>(index)].info;
  std::memset(info, 0, sizeof(PClassInfoW));
  std::memcpy(info->cid, source.cid, sizeof(TUID));
  info->cardinality = source.cardinality;
  copyText(info->category, source.category);
  convertText(info->name, source.name);
  info->classFlags = source.classFlags;
  copyText(info->subCategories, source.subCategories);
  convertText(info->vendor, source.vendor);
  convertText(info->version, source.version);
  convertText(info->sdkVersion, source.sdkVersion);
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!cid || !iid) return kInvalidArgument;
  for (const auto& entry : classes_) {
    if (!iidEqual(entry.info.cid, cid)) continue;
    FUnknown* instance = entry.create(entry.context);
    if (!instance) return kOutOfMemory;
    const tresult result = instance->queryInterface(iid, obj);
    instance->release();
    if (result != kResultOk) {
      *obj = nullptr;
      return kNoInterface;
    }
    return kResultOk;
  }
  return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context) {
  hostContext_ = context;
  return kResultOk;
}

}  // namespace Steinberg
