      *> Panel BIG: written by tests/tools/make_panel.py from
      *> BIG.panel; edit the description, not this file.
       01  BIG-PANEL.
           05  BIG-FIXED-PORTION.
               10  BIG-NAME PIC X(8) VALUE "BIG".
               10  BIG-NUMB-OF-FIELDS PIC 9(4) COMP-5 VALUE 1.
               10  BIG-BASE-COLOR PIC 9 VALUE 2.
               10  BIG-ACTIVE-COLOR PIC 9(4) COMP-5 VALUE 112.
               10  BIG-ERROR-COLOR PIC 9(4) COMP-5 VALUE 79.
               10  BIG-MENU-COLOR PIC 9(4) COMP-5 VALUE 48.
               10  BIG-MENU-LINE-A PIC X(40) VALUE
                   "F3=Exit                                 ".
               10  BIG-MENU-LINE-B PIC X(40) VALUE
                   "                                        ".
               10  BIG-MENU-MSG PIC X(80) VALUE SPACES.
               10  BIG-DISPLAY-OPTION PIC 9(4) COMP-5 VALUE 0.
               10  BIG-CURSOR-FIELD PIC 9(4) COMP-5 VALUE 1.
               10  BIG-OFFSET-THE-CURSOR PIC X VALUE "N".
               10  BIG-CURSOR-OFFSET PIC 9(4) COMP-5 VALUE 0.
               10  BIG-EXIT-KEY PIC S9(4) COMP-5 VALUE 0.
               10  BIG-REPAINT-SCREEN PIC X VALUE "Y".
               10  BIG-SHOW-WAIT-MSG PIC X VALUE "N".
               10  BIG-ARROW-EXIT-NAME PIC X(8) VALUE SPACES.
               10  BIG-PRE-EXIT-NAME PIC X(8) VALUE SPACES.
               10  BIG-POST-EXIT-NAME PIC X(8) VALUE SPACES.
               10  BIG-CODE-SET PIC X VALUE "C".
               10  BIG-BORDER-COLOR PIC S9(4) COMP-5 VALUE 0.
               10  BIG-PRESENT-FREQ PIC S9(4) COMP-5 VALUE 1000.
               10  BIG-PRESENT-TIME PIC S9(4) COMP-5 VALUE 20.
               10  BIG-ERROR-FREQ PIC S9(4) COMP-5 VALUE 37.
               10  BIG-ERROR-TIME PIC S9(4) COMP-5 VALUE 10.
               10  BIG-CURSOR-TYPE PIC 9 VALUE 1.
               10  BIG-INDICATORS PIC 9 VALUE 0.
               10  BIG-SUBST-ENTER PIC S9(4) COMP-5 VALUE 0.
               10  BIG-SUBST-ESC PIC S9(4) COMP-5 VALUE 0.
               10  BIG-SUBST-HOME PIC S9(4) COMP-5 VALUE 0.
               10  BIG-SHIFT-STATES PIC X VALUE LOW-VALUE.
               10  BIG-OFFSET-ROW PIC S9(4) COMP-5 VALUE 0.
               10  BIG-OFFSET-COL PIC S9(4) COMP-5 VALUE 0.
               10  BIG-CURSOR-ROW PIC S9(4) COMP-5 VALUE 0.
               10  BIG-CURSOR-COL PIC S9(4) COMP-5 VALUE 0.
               10  BIG-SCAN-CODE PIC X VALUE LOW-VALUE.
               10  BIG-MOUSE-ROW PIC S9(4) COMP-5 VALUE 0.
               10  BIG-MOUSE-COL PIC S9(4) COMP-5 VALUE 0.
               10  BIG-CLOSE-KEYVALUE PIC S9(4) COMP-5 VALUE 0.
               10  FILLER PIC X(69) VALUE LOW-VALUES.
           05  BIG-VARIABLE-PORTION.
               10  BIG-ATTRIBUTE-BLOCK PIC X(4)
                   VALUE LOW-VALUES.
               10  BIG-ATTRIBUTE-TABLE
                   REDEFINES BIG-ATTRIBUTE-BLOCK OCCURS 1.
                   15  BIG-FIELD-PAINT PIC X.
                   15  BIG-FIELD-COLOR PIC 9(4) COMP-5.
                   15  BIG-FIELD-OPTION PIC X.
               10  BIG-USER-FIELDS.
                   15  BIG-LINE PIC X(5).
       01  BIG-PASS-TO-EXIT PIC X.
       01  BIG-WORK-S.
           05  FILLER PIC X(20) VALUE
               X"1742000000001403012020202020202020202010".
           05  FILLER PIC X(20) VALUE
               X"01012E466F7274792D746872656520726F77730D".
           05  FILLER PIC X(20) VALUE
               X"2A012E526F7720666F7274792D74776FFF202020".
       01  BIG-WORK-D.
           05  FILLER PIC X(20) VALUE
               X"01000000000042010020202020202020290A052F".
           05  FILLER PIC X(14) VALUE
               X"200500000000000001000100FFFF".
