// Everything of the host kit in one include.
#pragma once

#include "hostkit/component_handler.h"
#include "hostkit/host_application.h"
#include "hostkit/instance.h"
#include "hostkit/memory_stream.h"
#include "hostkit/module.h"
#include "hostkit/offline_renderer.h"
#include "hostkit/parameter_changes.h"
#include "hostkit/plug_frame.h"
#include "hostkit/preset_file.h"
#include "hostkit/process_buffers.h"

#include "vst3sdk/pluginterfaces/vst3.h"
