       IDENTIFICATION DIVISION.
       PROGRAM-ID. STARS.
      *> A predisplay user exit: every character shown or typed in a
      *> field with the Predisplay option becomes "*".
       DATA DIVISION.
       LINKAGE SECTION.
       01  EXIT-BLOCK.
           05  EXIT-TYPE               PIC X.
           05  FILLER                  PIC X(10).
           05  EXIT-CHAR               PIC X.
           05  FILLER                  PIC X(151).
       01  EXIT-PANEL                  PIC X(316).
       01  EXIT-PASS                   PIC X.
       PROCEDURE DIVISION USING EXIT-BLOCK EXIT-PANEL EXIT-PASS.
           IF EXIT-TYPE = "D"
               MOVE "*" TO EXIT-CHAR
           END-IF
           GOBACK.
