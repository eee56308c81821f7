       IDENTIFICATION DIVISION.
       PROGRAM-ID. ARROWX.
      *> An arrow user exit: marks the cell the cursor leaves with "#"
      *> and counts its calls in the PASS-TO-EXIT area.
       DATA DIVISION.
       LINKAGE SECTION.
       01  EXIT-BLOCK.
           05  EXIT-TYPE               PIC X.
           05  FILLER                  PIC X(10).
           05  EXIT-CHAR               PIC X.
           05  FILLER                  PIC X(151).
       01  EXIT-PANEL                  PIC X(316).
       01  EXIT-PASS                   PIC 9.
       PROCEDURE DIVISION USING EXIT-BLOCK EXIT-PANEL EXIT-PASS.
           IF EXIT-TYPE = "A"
               MOVE "#" TO EXIT-CHAR
               ADD 1 TO EXIT-PASS
           END-IF
           GOBACK.
