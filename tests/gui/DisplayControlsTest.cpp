// Window tests of this part of the main window are being written.
