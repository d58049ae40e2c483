#pragma once

// The pieces the banners above the map share: their tinted background, the symbol at their
// start and a bold headline.

class QLabel;
class QWidget;

namespace tavelin::BannerParts {

// Gives the banner its tinted background.
void tint(QWidget& banner);
// The symbol at the banner's start.
QLabel* symbol(const char* name, QWidget* banner);
// An empty bold headline.
QLabel* headline(QWidget* banner);

} // namespace tavelin::BannerParts
