// The direction a drawing with 3-D content is seen from: ten preset
// directions and a user-defined one given by its angles to the three axes.
// The import asks for it through the load's questions (LoadQuestions.h);
// the shell's dialog shows it.
#pragma once

namespace kvn {

// The index of the user-defined direction; 0 to 9 are the presets.
inline constexpr int kUserViewDirection = 10;
inline constexpr int kPresetViewDirections = 10;

struct ViewDirectionChoice {
  int preset = kUserViewDirection;
  // From the target towards the viewer, normalised.
  double direction[3] = {0.0, 0.0, 1.0};
  // Degrees the view turns about the direction.
  double twist = 0.0;
};

// The preset's direction as the table gives it (not normalised); (0, 0, 1)
// for an index outside the presets.
void PresetViewDirection(int preset, double out[3]);
// The preset whose normalised direction equals the normalised `direction`
// within 1e-5 per component; kUserViewDirection when none does.
int FindPresetViewDirection(const double direction[3]);
// The angles in degrees between the direction and the x, y and z axes (the
// arc cosines of the normalised components); 90 each for a null direction.
void AxisAnglesOf(const double direction[3], double angles[3]);
// (cos a0, cos a1, cos a2) normalised, the angles in degrees; (0, 0, 1)
// when its length is 1e-8 or less or not finite.
void DirectionFromAxisAngles(const double angles[3], double out[3]);
// Makes the choice's direction follow its preset (a preset's normalised
// direction; the user-defined one normalised, (0, 0, 1) when null).
void ApplyViewPreset(ViewDirectionChoice& choice);

}  // namespace kvn
