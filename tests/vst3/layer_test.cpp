// Interface IDs, result codes, reference counting and the base classes of our VST 3 layer.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "support/host_objects.h"
#include "vst3/ivsthostapplication.h"
#include "vst3/ivstmessage.h"
#include "vst3/ivstunits.h"
#include "vst3/parameter.h"
#include "vst3/plugin_view.h"
#include "vst3/pluginfactory.h"
#include "vst3/single_component_effect.h"
#include "vst3/string16.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

using Bytes = std::array<unsigned char, 16>;

Bytes bytesOf(const UidBytes& uid) {
  Bytes out{};
  std::memcpy(out.data(), uid.bytes, 16);
  return out;
}

struct IidCase {
  const char* name;
  UidBytes actual;
  uint32 words[4];
};

const IidCase kIids[] = {
    {"FUnknown", FUnknown::iid, {0x00000000, 0x00000000, 0xC0000000, 0x00000046}},
    {"IPluginBase", IPluginBase::iid, {0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625}},
    {"IPluginFactory", IPluginFactory::iid, {0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F}},
    {"IPluginFactory2", IPluginFactory2::iid, {0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB}},
    {"IPluginFactory3", IPluginFactory3::iid, {0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931}},
    {"IComponent", IComponent::iid, {0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802}},
    {"IAudioProcessor", IAudioProcessor::iid, {0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D}},
    {"IProcessContextRequirements", IProcessContextRequirements::iid,
     {0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0}},
    {"IEditController", IEditController::iid, {0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E}},
    {"IEditController2", IEditController2::iid, {0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038}},
    {"IUnitInfo", IUnitInfo::iid, {0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1}},
    {"IConnectionPoint", IConnectionPoint::iid, {0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1}},
    {"IMessage", IMessage::iid, {0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613}},
    {"IAttributeList", IAttributeList::iid, {0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4}},
    {"IBStream", IBStream::iid, {0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B}},
    {"IParameterChanges", IParameterChanges::iid, {0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D}},
    {"IParamValueQueue", IParamValueQueue::iid, {0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA}},
    {"IEventList", IEventList::iid, {0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44}},
    {"IComponentHandler", IComponentHandler::iid, {0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6}},
    {"IHostApplication", IHostApplication::iid, {0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5}},
    {"IPlugView", IPlugView::iid, {0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29}},
    {"IPlugFrame", IPlugFrame::iid, {0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3}},
};

TEST(InterfaceIds, EveryInterfaceUsesThePlatformByteOrderOfItsWords) {
  for (const auto& c : kIids) {
    const Bytes expected =
        bytesOf(makeUidInOrder(VARNOLITH_COM_COMPATIBLE != 0, c.words[0], c.words[1], c.words[2], c.words[3]));
    EXPECT_EQ(bytesOf(c.actual), expected) << c.name;
  }
}

TEST(InterfaceIds, BothByteOrdersMatchThePublishedBytes) {
  const Bytes componentLinux{0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01,
                             0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  const Bytes componentCom{0x31, 0xFF, 0x31, 0xE8, 0xD5, 0xF2, 0x01, 0x43,
                           0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  EXPECT_EQ(bytesOf(makeUidInOrder(false, 0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802)), componentLinux);
  EXPECT_EQ(bytesOf(makeUidInOrder(true, 0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802)), componentCom);

  const Bytes inputLinux{0x56, 0x52, 0x41, 0x43, 0x4B, 0x55, 0x54, 0x49,
                         0x4C, 0x49, 0x54, 0x59, 0x00, 0x10, 0x00, 0x01};
  const Bytes inputCom{0x43, 0x41, 0x52, 0x56, 0x55, 0x4B, 0x49, 0x54,
                       0x4C, 0x49, 0x54, 0x59, 0x00, 0x10, 0x00, 0x01};
  EXPECT_EQ(bytesOf(makeUidInOrder(false, 0x56524143, 0x4B555449, 0x4C495459, 0x00100001)), inputLinux);
  EXPECT_EQ(bytesOf(makeUidInOrder(true, 0x56524143, 0x4B555449, 0x4C495459, 0x00100001)), inputCom);
}

TEST(ResultCodes, MatchThePlatform) {
#if VARNOLITH_COM_COMPATIBLE
  EXPECT_EQ(kNoInterface, static_cast<int32>(0x80004002));
  EXPECT_EQ(kInvalidArgument, static_cast<int32>(0x80070057));
  EXPECT_EQ(kNotImplemented, static_cast<int32>(0x80004001));
#else
  const int32 values[] = {kNoInterface, kResultOk, kResultTrue, kResultFalse, kInvalidArgument,
                          kNotImplemented, kInternalError, kNotInitialized, kOutOfMemory};
  const int32 expected[] = {-1, 0, 0, 1, 2, 3, 4, 5, 6};
  for (std::size_t i = 0; i < std::size(values); ++i) EXPECT_EQ(values[i], expected[i]) << i;
#endif
}

class CountedObject : public FObject {
 public:
  explicit CountedObject(int& destroyed) : destroyed_(destroyed) {}
  ~CountedObject() override { ++destroyed_; }

 private:
  int& destroyed_;
};

TEST(FObjectTest, LastReleaseDestroysAndUnknownIdsAnswerNull) {
  int destroyed = 0;
  auto* object = new CountedObject(destroyed);
  EXPECT_EQ(object->addRef(), 2u);
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(object->queryInterface(IComponent::iid.bytes, &out), kNoInterface);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(object->queryInterface(FUnknown::iid.bytes, &out), kResultOk);
  EXPECT_EQ(out, static_cast<FUnknown*>(object));
  EXPECT_EQ(object->release(), 2u);
  EXPECT_EQ(object->release(), 1u);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(object->release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

int createdObjects = 0;
FUnknown* createCounted(void* context) {
  ++createdObjects;
  return new CountedObject(*static_cast<int*>(context));
}

PClassInfo2 sampleClass(uint32 last) {
  PClassInfo2 info{};
  const UidBytes id = makeUid(1, 2, 3, last);
  std::memcpy(info.cid, id.bytes, 16);
  info.cardinality = PClassInfo::kManyInstances;
  std::strcpy(info.category, kVstAudioEffectClass);
  std::strcpy(info.name, "Name \xC3\xA9");  // UTF-8 é
  std::strcpy(info.subCategories, "Fx|Tools");
  std::strcpy(info.version, "1.0");
  std::strcpy(info.sdkVersion, "VST 3.8.1");
  return info;
}

TEST(PluginFactoryTest, ReportsClassesAndCreatesThroughQueryInterface) {
  PFactoryInfo info{};
  std::strcpy(info.vendor, "Vendor");
  info.flags = PFactoryInfo::kUnicode;
  auto factory = IPtr<CPluginFactory>::adopt(new CPluginFactory(info));
  int destroyed = 0;
  ASSERT_TRUE(factory->registerClass(sampleClass(4), &createCounted, &destroyed));
  EXPECT_FALSE(factory->registerClass(sampleClass(4), &createCounted, &destroyed));
  EXPECT_EQ(factory->countClasses(), 1);

  PFactoryInfo readBack{};
  ASSERT_EQ(factory->getFactoryInfo(&readBack), kResultOk);
  EXPECT_STREQ(readBack.vendor, "Vendor");
  EXPECT_EQ(readBack.flags, PFactoryInfo::kUnicode);

  PClassInfo plain{};
  ASSERT_EQ(factory->getClassInfo(0, &plain), kResultOk);
  EXPECT_STREQ(plain.name, "Name \xC3\xA9");
  EXPECT_EQ(factory->getClassInfo(1, &plain), kInvalidArgument);

  PClassInfoW wide{};
  ASSERT_EQ(factory->getClassInfoUnicode(0, &wide), kResultOk);
  EXPECT_EQ(std::u16string(wide.name), u"Name \u00e9");
  EXPECT_EQ(std::u16string(wide.sdkVersion), u"VST 3.8.1");
  EXPECT_STREQ(wide.subCategories, "Fx|Tools");

  // The factory answers its three interfaces and keeps no reference to what it creates.
  auto factory3 = queryInterfacePtr<IPluginFactory3>(static_cast<IPluginFactory*>(factory.get()));
  ASSERT_TRUE(factory3);
  void* obj = nullptr;
  const PClassInfo2 cls = sampleClass(4);
  ASSERT_EQ(factory3->createInstance(cls.cid, FUnknown::iid.bytes, &obj), kResultOk);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 0u);
  EXPECT_EQ(destroyed, 1);

  // An unknown interface releases the new object and answers null.
  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory3->createInstance(cls.cid, IComponent::iid.bytes, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(destroyed, 2);
  const PClassInfo2 unknown = sampleClass(9);
  EXPECT_EQ(factory3->createInstance(unknown.cid, FUnknown::iid.bytes, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);

  auto host = varnolith::testing::makeHostObject<varnolith::testing::HostApplication>();
  EXPECT_EQ(factory3->setHostContext(host.get()), kResultOk);
  EXPECT_EQ(host->refCount(), 2u);
  factory3.reset();
  factory.reset();
  EXPECT_EQ(host->refCount(), 1u);
}

TEST(ParameterTest, ConversionsAndStrings) {
  RangeParameter gain(u"Gain", 1, u"dB", -90.0, 12.0, 0.0, 0);
  EXPECT_DOUBLE_EQ(gain.getInfo().defaultNormalizedValue, 15.0 / 17.0);
  EXPECT_EQ(gain.getInfo().defaultNormalizedValue, 15.0 / 17.0);
  String128 text{};
  gain.toString(0.0, text);
  EXPECT_EQ(std::u16string(text), u"-90.0000");
  gain.toString(1.0, text);
  EXPECT_EQ(std::u16string(text), u"12.0000");
  double value = -1.0;
  ASSERT_TRUE(gain.fromString(u"  6", value));
  EXPECT_DOUBLE_EQ(value, 96.0 / 102.0);
  ASSERT_TRUE(gain.fromString(u"500 dB", value));
  EXPECT_DOUBLE_EQ(value, 1.0);
  EXPECT_FALSE(gain.fromString(u"On", value));

  RangeParameter strips(u"Strips", 0, nullptr, 1.0, 64.0, 8.0, 63);
  EXPECT_EQ(strips.getInfo().defaultNormalizedValue, 1.0 / 9.0);
  EXPECT_EQ(strips.toPlain(1.0 / 9.0), 8.0);
  EXPECT_EQ(strips.toPlain(1.0), 64.0);
  EXPECT_EQ(strips.toPlain(0.0), 1.0);
  strips.toString(1.0, text);
  EXPECT_EQ(std::u16string(text), u"64");
  ASSERT_TRUE(strips.fromString(u"8", value));
  EXPECT_EQ(value, 1.0 / 9.0);

  Parameter toggle(u"Toggle", 2, nullptr, 0.0, 1);
  toggle.toString(0.5, text);
  EXPECT_EQ(std::u16string(text), u"Off");
  toggle.toString(0.50001, text);
  EXPECT_EQ(std::u16string(text), u"On");
  EXPECT_EQ(toggle.toPlain(0.3), 0.3);
  EXPECT_TRUE(toggle.setNormalized(7.0));
  EXPECT_EQ(toggle.getNormalized(), 1.0);
  EXPECT_TRUE(toggle.setNormalized(-7.0));
  EXPECT_EQ(toggle.getNormalized(), 0.0);
}

TEST(ParameterContainerTest, LookupByIdAndIndex) {
  ParameterContainer container;
  ASSERT_NE(container.addParameter(std::make_unique<Parameter>(u"A", 5)), nullptr);
  ASSERT_NE(container.addParameter(std::make_unique<Parameter>(u"B", 3)), nullptr);
  EXPECT_EQ(container.addParameter(std::make_unique<Parameter>(u"C", 5)), nullptr);
  EXPECT_EQ(container.getParameterCount(), 2);
  EXPECT_EQ(container.getParameterByIndex(1)->getInfo().id, 3u);
  EXPECT_EQ(container.getParameter(5)->getInfo().id, 5u);
  EXPECT_EQ(container.getParameter(4), nullptr);
  EXPECT_EQ(container.getParameterByIndex(2), nullptr);
  EXPECT_EQ(container.getParameterByIndex(-1), nullptr);
  container.removeAll();
  EXPECT_EQ(container.getParameterCount(), 0);
}

class BareEffect : public SingleComponentEffect {
 public:
  void build() {
    addAudioInput(u"In", SpeakerArr::kStereo);
    addAudioOutput(u"Out", SpeakerArr::kMono, kAux, 0);
    addEventOutput(u"Events", 1);
  }
};

TEST(SingleComponentEffectTest, AnswersEveryInterfaceFromOneObjectWithItsDefaults) {
  auto effect = IPtr<BareEffect>::adopt(new BareEffect());
  FUnknown* unknown = static_cast<IComponent*>(effect.get());
  auto component = queryInterfacePtr<IComponent>(unknown);
  auto processor = queryInterfacePtr<IAudioProcessor>(unknown);
  auto controller = queryInterfacePtr<IEditController>(unknown);
  auto controller2 = queryInterfacePtr<IEditController2>(unknown);
  auto units = queryInterfacePtr<IUnitInfo>(unknown);
  auto connection = queryInterfacePtr<IConnectionPoint>(unknown);
  auto requirements = queryInterfacePtr<IProcessContextRequirements>(unknown);
  auto base = queryInterfacePtr<IPluginBase>(unknown);
  ASSERT_TRUE(component && processor && controller && controller2 && units && connection && requirements && base);
  auto identity1 = queryInterfacePtr<FUnknown>(processor.get());
  auto identity2 = queryInterfacePtr<FUnknown>(controller.get());
  EXPECT_EQ(identity1.get(), identity2.get());
  EXPECT_FALSE(queryInterfacePtr<IPlugView>(unknown));

  auto host = varnolith::testing::makeHostObject<varnolith::testing::HostApplication>();
  EXPECT_EQ(base->initialize(host.get()), kResultOk);
  EXPECT_EQ(base->initialize(host.get()), kResultFalse);
  effect->build();

  TUID cid{};
  EXPECT_EQ(component->getControllerClassId(cid), kNotImplemented);
  EXPECT_EQ(component->setIoMode(0), kNotImplemented);
  RoutingInfo in{}, out{};
  EXPECT_EQ(component->getRoutingInfo(in, out), kNotImplemented);
  auto stream = varnolith::testing::makeHostObject<varnolith::testing::MemoryStream>();
  EXPECT_EQ(component->setState(stream.get()), kNotImplemented);
  EXPECT_EQ(component->getState(stream.get()), kNotImplemented);
  EXPECT_EQ(controller->setState(stream.get()), kNotImplemented);
  EXPECT_EQ(controller->getState(stream.get()), kNotImplemented);
  EXPECT_EQ(processor->getLatencySamples(), 0u);
  EXPECT_EQ(processor->getTailSamples(), 0u);
  EXPECT_EQ(controller2->openHelp(0), kResultFalse);
  EXPECT_EQ(controller2->openAboutBox(0), kResultFalse);
  EXPECT_EQ(units->getUnitCount(), 0);
  EXPECT_EQ(units->getProgramListCount(), 0);
  UnitInfo unit{};
  EXPECT_EQ(units->getUnitInfo(0, unit), kResultFalse);
  EXPECT_EQ(controller->createView("editor"), nullptr);

  EXPECT_EQ(component->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(component->getBusCount(kEvent, kOutput), 1);
  EXPECT_EQ(component->getBusCount(kEvent, kInput), 0);
  BusInfo info{};
  ASSERT_EQ(component->getBusInfo(kAudio, kOutput, 0, info), kResultOk);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(info.busType, kAux);
  EXPECT_EQ(std::u16string(info.name), u"Out");
  EXPECT_EQ(component->getBusInfo(kAudio, kOutput, 1, info), kInvalidArgument);
  EXPECT_EQ(component->getBusInfo(kAudio, kOutput, -1, info), kInvalidArgument);
  EXPECT_EQ(component->getBusInfo(7, kOutput, 0, info), kInvalidArgument);
  EXPECT_EQ(component->activateBus(kAudio, kInput, 3, 1), kInvalidArgument);
  EXPECT_EQ(component->activateBus(kAudio, kOutput, 0, 1), kResultOk);
  EXPECT_TRUE(effect->audioBuses(kOutput).at(0)->isActive());

  EXPECT_EQ(connection->connect(nullptr), kInvalidArgument);
  EXPECT_EQ(base->terminate(), kResultOk);
  EXPECT_EQ(component->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(host->refCount(), 1u);
  EXPECT_EQ(base->initialize(host.get()), kResultOk);
}

TEST(Utf, ConversionsRejectInvalidUtf8AndReplaceLoneSurrogates) {
  std::u16string out;
  EXPECT_TRUE(utf8ToUtf16("C:/Audio/\xC3\xA9\xF0\x9F\x8E\xB5.wav", out));
  EXPECT_EQ(out, u"C:/Audio/\u00e9\U0001F3B5.wav");
  const char* invalid[] = {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\xFF"};
  for (const char* text : invalid) EXPECT_FALSE(utf8ToUtf16(text, out)) << text;
  EXPECT_EQ(utf16ToUtf8(u"a\u00e9\U0001F3B5"), "a\xC3\xA9\xF0\x9F\x8E\xB5");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(utf16ToUtf8(lone), "a\xEF\xBF\xBD" "b");
}

}  // namespace
