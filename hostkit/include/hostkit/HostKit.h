// Everything of the host kit in one include.
#pragma once

#include "hostkit/ComponentHandler.h"
#include "hostkit/HostApplication.h"
#include "hostkit/Instance.h"
#include "hostkit/MemoryStream.h"
#include "hostkit/Module.h"
#include "hostkit/OfflineRenderer.h"
#include "hostkit/ParameterChanges.h"
#include "hostkit/PlugFrame.h"
#include "hostkit/PresetFile.h"
#include "hostkit/ProcessBuffers.h"

#include "vst3sdk/pluginterfaces/vst3.h"
