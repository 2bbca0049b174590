#pragma once
// Keyboard access to a page: every button, check box and radio button gets a mnemonic
// (Alt + an underlined letter of its text), each letter used once on the page; a button
// with the property "noMnemonic" (a banner) is left as it is.

class QWidget;

void giveMnemonics(QWidget *page);
