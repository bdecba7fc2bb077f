#!/usr/bin/env bash
# Builds the thread sanitizer configuration and runs every test program that
# uses more than one thread: the framework's lock, the editor's controls under
# automation, and the whole module driven from several threads at once
# (processing, controller, editor edits, state, views), the editor dragged
# in its X11 window while another thread processes (the tests start Xvfb), and
# torvik-render's batches (several instances rendering at once, and a worker
# that fails while the others go on).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset tsan >/dev/null
cmake --build build/tsan --target TORVIK framework_tests graphics_tests vst3_tests \
    editor_view_tests render_batch_tests

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
for program in framework/framework_tests graphics/graphics_tests vst3/vst3_tests \
    graphics/editor_view_tests; do
    echo "tsan: $program"
    "build/tsan/tests/$program" --gtest_brief=1
done
echo "tsan: tools/render_batch_tests (batches)"
build/tsan/tests/tools/render_batch_tests --gtest_brief=1 \
    --gtest_filter='RenderBatch.EveryInput*:RenderBatch.JsonReport*:RenderWorker.*'
echo "tsan: no race"
