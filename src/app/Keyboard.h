#pragma once
// Keyboard access to a page: every button, check box and radio button gets a mnemonic
// (Alt + an underlined letter of its text), each letter used once on the page.

class QWidget;

void giveMnemonics(QWidget *page);
