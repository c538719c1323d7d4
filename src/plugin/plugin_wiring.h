#pragma once

namespace korvan {
// Connects the layers that the engine may not depend on: the setup panel of
// the windows layer, the Cabrillo header editor, and the unload step.
// Idempotent; called at every reset.
void wirePlugin();

}  // namespace korvan
