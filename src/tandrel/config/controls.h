#pragma once
// The configuration window's controls. No id is 1 or 2: those are what Enter and Esc send.
namespace tandrel::config {

enum ControlId {
  chkCtrl1 = 101,
  chkAlt1,
  chkShift1,
  cboKey1,
  chkCtrl2,
  chkAlt2,
  chkShift2,
  cboKey2,
  cmdSave,
  Check1,
  Label1,
  Label2,
  Command1,
};

}  // namespace tandrel::config
