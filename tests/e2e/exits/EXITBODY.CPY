      *> The body of the test exits EXITBLK and PROGDIR, after their
      *> PROGRAM-ID.
       DATA DIVISION.
       LINKAGE SECTION.
       01 EXIT-BLOCK.
          05 EXIT-TYPE          PIC X.
          05 EXIT-FIELD         PIC S9(4) COMP-5.
          05 EXIT-CURSOR        PIC S9(4) COMP-5.
          05 EXIT-ROW           PIC S9(4) COMP-5.
          05 EXIT-COL           PIC S9(4) COMP-5.
          05 EXIT-ATTR          PIC X.
          05 FILLER             PIC X.
          05 EXIT-CHAR          PIC X.
          05 FILLER             PIC X.
          05 EXIT-EXTENDED      PIC S9(4) COMP-5.
          05 EXIT-FULL          PIC X.
          05 EXIT-FINISH        PIC X.
          05 EXIT-MESSAGE       PIC S9(4) COMP-5.
          05 EXIT-SOURCE        PIC X.
          05 FILLER             PIC X(11).
          05 EXIT-PARAMS        PIC 9.
          05 FILLER             PIC X(131).
       01 PANEL-RECORD          PIC X(316).
       01 PASS-AREA             PIC X(6).
       PROCEDURE DIVISION USING EXIT-BLOCK PANEL-RECORD PASS-AREA.
           MOVE NUMBER-OF-CALL-PARAMETERS TO EXIT-PARAMS
           IF ADDRESS OF PASS-AREA NOT = NULL
             MOVE "PASSED" TO PASS-AREA
           END-IF
           EVALUATE EXIT-TYPE
             WHEN "D"
               MOVE "*" TO EXIT-CHAR
             WHEN "K"
             WHEN "P"
               IF EXIT-CHAR = "f"
                 MOVE LOW-VALUE TO EXIT-CHAR
                 MOVE 68 TO EXIT-EXTENDED
               END-IF
               IF EXIT-CHAR = "z"
                 MOVE "Y" TO EXIT-FULL
               END-IF
           END-EVALUATE
           GOBACK.
