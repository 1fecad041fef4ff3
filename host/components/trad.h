#pragma once
// Adjusts a form to the machine it runs on. Called once, first thing when a
// form is created.
class QWidget;

namespace totem::host {

// The form and every control with a font of its own:
//  - a font family not installed here (the forms are laid out with "MS Sans
//    Serif" and "Tahoma") becomes the closest installed sans serif, keeping
//    weight, style and size, drawn without hinting so that small accents
//    keep their shape;
//  - a size given in points becomes the pixel size it had on the 96-dpi
//    screens the forms were laid out on, so text keeps fitting the fixed
//    control sizes whatever this screen's density setting;
//  - the form's locale becomes Brazilian Portuguese (number formats).
// A second call on the same form changes nothing.
void Trad(QWidget* form);

}  // namespace totem::host
