// Accessibility of the check lists (QListWidget with checkable items): each item is presented to
// assistive technology as a check box that carries its text and its checked state and whose
// "Toggle"/"Press" action checks or unchecks it. Qt's own item-view accessibility reports neither
// the checked state nor a way to change it (its cell "Toggle" changes the selection).
//
//   MakeCheckListAccessible(list);   // once per list, before or after it is shown
#pragma once

class QListWidget;

void MakeCheckListAccessible(QListWidget* list);
