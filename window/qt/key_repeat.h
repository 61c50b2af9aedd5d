#pragma once

namespace qtshell {

// Asks the X server, where the game runs on one, to send a held key's repeats as presses alone,
// without the release before each that X sends by default and that Qt cannot always tell from a
// real one. A press of a key already down is then a repeat. Wayland marks its repeats itself.
// Needs the application object.
void reportKeyRepeatsAsPresses() noexcept;

} // namespace qtshell
