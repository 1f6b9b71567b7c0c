// Compile-time checks of the record layouts every host relies on.
#include <cstddef>

#include "vst3/iplugview.h"
#include "vst3/ipluginbase.h"
#include "vst3/ivstaudioprocessor.h"
#include "vst3/ivstcomponent.h"
#include "vst3/ivsteditcontroller.h"
#include "vst3/ivstevents.h"
#include "vst3/ivstprocesscontext.h"
#include "vst3/ivstunits.h"

namespace Steinberg {
namespace {

#define VARNOLITH_CHECK_RECORD(T, size, align) \
  static_assert(sizeof(T) == (size), #T " size");  \
  static_assert(alignof(T) == (align), #T " alignment")
#define VARNOLITH_CHECK_FIELD(T, field, offset) static_assert(offsetof(T, field) == (offset), #T "::" #field)

VARNOLITH_CHECK_RECORD(PFactoryInfo, 452, 4);
VARNOLITH_CHECK_FIELD(PFactoryInfo, vendor, 0);
VARNOLITH_CHECK_FIELD(PFactoryInfo, url, 64);
VARNOLITH_CHECK_FIELD(PFactoryInfo, email, 320);
VARNOLITH_CHECK_FIELD(PFactoryInfo, flags, 448);

VARNOLITH_CHECK_RECORD(PClassInfo, 116, 4);
VARNOLITH_CHECK_FIELD(PClassInfo, cid, 0);
VARNOLITH_CHECK_FIELD(PClassInfo, cardinality, 16);
VARNOLITH_CHECK_FIELD(PClassInfo, category, 20);
VARNOLITH_CHECK_FIELD(PClassInfo, name, 52);

VARNOLITH_CHECK_RECORD(PClassInfo2, 440, 4);
VARNOLITH_CHECK_FIELD(PClassInfo2, classFlags, 116);
VARNOLITH_CHECK_FIELD(PClassInfo2, subCategories, 120);
VARNOLITH_CHECK_FIELD(PClassInfo2, vendor, 248);
VARNOLITH_CHECK_FIELD(PClassInfo2, version, 312);
VARNOLITH_CHECK_FIELD(PClassInfo2, sdkVersion, 376);

VARNOLITH_CHECK_RECORD(PClassInfoW, 696, 4);
VARNOLITH_CHECK_FIELD(PClassInfoW, name, 52);
VARNOLITH_CHECK_FIELD(PClassInfoW, classFlags, 180);
VARNOLITH_CHECK_FIELD(PClassInfoW, subCategories, 184);
VARNOLITH_CHECK_FIELD(PClassInfoW, vendor, 312);
VARNOLITH_CHECK_FIELD(PClassInfoW, version, 440);
VARNOLITH_CHECK_FIELD(PClassInfoW, sdkVersion, 568);

using namespace Vst;

VARNOLITH_CHECK_RECORD(BusInfo, 276, 4);
VARNOLITH_CHECK_FIELD(BusInfo, mediaType, 0);
VARNOLITH_CHECK_FIELD(BusInfo, direction, 4);
VARNOLITH_CHECK_FIELD(BusInfo, channelCount, 8);
VARNOLITH_CHECK_FIELD(BusInfo, name, 12);
VARNOLITH_CHECK_FIELD(BusInfo, busType, 268);
VARNOLITH_CHECK_FIELD(BusInfo, flags, 272);

VARNOLITH_CHECK_RECORD(RoutingInfo, 12, 4);
VARNOLITH_CHECK_FIELD(RoutingInfo, busIndex, 4);
VARNOLITH_CHECK_FIELD(RoutingInfo, channel, 8);

VARNOLITH_CHECK_RECORD(ParameterInfo, 792, 8);
VARNOLITH_CHECK_FIELD(ParameterInfo, id, 0);
VARNOLITH_CHECK_FIELD(ParameterInfo, title, 4);
VARNOLITH_CHECK_FIELD(ParameterInfo, shortTitle, 260);
VARNOLITH_CHECK_FIELD(ParameterInfo, units, 516);
VARNOLITH_CHECK_FIELD(ParameterInfo, stepCount, 772);
VARNOLITH_CHECK_FIELD(ParameterInfo, defaultNormalizedValue, 776);
VARNOLITH_CHECK_FIELD(ParameterInfo, unitId, 784);
VARNOLITH_CHECK_FIELD(ParameterInfo, flags, 788);

VARNOLITH_CHECK_RECORD(ProcessSetup, 24, 8);
VARNOLITH_CHECK_FIELD(ProcessSetup, processMode, 0);
VARNOLITH_CHECK_FIELD(ProcessSetup, symbolicSampleSize, 4);
VARNOLITH_CHECK_FIELD(ProcessSetup, maxSamplesPerBlock, 8);
VARNOLITH_CHECK_FIELD(ProcessSetup, sampleRate, 16);

VARNOLITH_CHECK_RECORD(AudioBusBuffers, 24, 8);
VARNOLITH_CHECK_FIELD(AudioBusBuffers, numChannels, 0);
VARNOLITH_CHECK_FIELD(AudioBusBuffers, silenceFlags, 8);
VARNOLITH_CHECK_FIELD(AudioBusBuffers, channelBuffers32, 16);
VARNOLITH_CHECK_FIELD(AudioBusBuffers, channelBuffers64, 16);

VARNOLITH_CHECK_RECORD(ProcessData, 80, 8);
VARNOLITH_CHECK_FIELD(ProcessData, processMode, 0);
VARNOLITH_CHECK_FIELD(ProcessData, symbolicSampleSize, 4);
VARNOLITH_CHECK_FIELD(ProcessData, numSamples, 8);
VARNOLITH_CHECK_FIELD(ProcessData, numInputs, 12);
VARNOLITH_CHECK_FIELD(ProcessData, numOutputs, 16);
VARNOLITH_CHECK_FIELD(ProcessData, inputs, 24);
VARNOLITH_CHECK_FIELD(ProcessData, outputs, 32);
VARNOLITH_CHECK_FIELD(ProcessData, inputParameterChanges, 40);
VARNOLITH_CHECK_FIELD(ProcessData, outputParameterChanges, 48);
VARNOLITH_CHECK_FIELD(ProcessData, inputEvents, 56);
VARNOLITH_CHECK_FIELD(ProcessData, outputEvents, 64);
VARNOLITH_CHECK_FIELD(ProcessData, processContext, 72);

VARNOLITH_CHECK_RECORD(ProcessContext, 112, 8);
VARNOLITH_CHECK_FIELD(ProcessContext, state, 0);
VARNOLITH_CHECK_FIELD(ProcessContext, sampleRate, 8);
VARNOLITH_CHECK_FIELD(ProcessContext, projectTimeSamples, 16);
VARNOLITH_CHECK_FIELD(ProcessContext, systemTime, 24);
VARNOLITH_CHECK_FIELD(ProcessContext, continousTimeSamples, 32);
VARNOLITH_CHECK_FIELD(ProcessContext, projectTimeMusic, 40);
VARNOLITH_CHECK_FIELD(ProcessContext, barPositionMusic, 48);
VARNOLITH_CHECK_FIELD(ProcessContext, cycleStartMusic, 56);
VARNOLITH_CHECK_FIELD(ProcessContext, cycleEndMusic, 64);
VARNOLITH_CHECK_FIELD(ProcessContext, tempo, 72);
VARNOLITH_CHECK_FIELD(ProcessContext, timeSigNumerator, 80);
VARNOLITH_CHECK_FIELD(ProcessContext, timeSigDenominator, 84);
VARNOLITH_CHECK_FIELD(ProcessContext, chord, 88);
VARNOLITH_CHECK_FIELD(ProcessContext, smpteOffsetSubframes, 92);
VARNOLITH_CHECK_FIELD(ProcessContext, frameRate, 96);
VARNOLITH_CHECK_FIELD(ProcessContext, samplesToNextClock, 104);

VARNOLITH_CHECK_RECORD(Event, 48, 8);
VARNOLITH_CHECK_FIELD(Event, busIndex, 0);
VARNOLITH_CHECK_FIELD(Event, sampleOffset, 4);
VARNOLITH_CHECK_FIELD(Event, ppqPosition, 8);
VARNOLITH_CHECK_FIELD(Event, flags, 16);
VARNOLITH_CHECK_FIELD(Event, type, 18);
VARNOLITH_CHECK_FIELD(Event, data, 24);

VARNOLITH_CHECK_RECORD(DataEvent, 16, 8);
VARNOLITH_CHECK_FIELD(DataEvent, size, 0);
VARNOLITH_CHECK_FIELD(DataEvent, type, 4);
VARNOLITH_CHECK_FIELD(DataEvent, bytes, 8);

VARNOLITH_CHECK_RECORD(ViewRect, 16, 4);
VARNOLITH_CHECK_FIELD(ViewRect, left, 0);
VARNOLITH_CHECK_FIELD(ViewRect, top, 4);
VARNOLITH_CHECK_FIELD(ViewRect, right, 8);
VARNOLITH_CHECK_FIELD(ViewRect, bottom, 12);

VARNOLITH_CHECK_RECORD(UnitInfo, 268, 4);
VARNOLITH_CHECK_RECORD(ProgramListInfo, 264, 4);

}  // namespace
}  // namespace Steinberg
