      *> A user exit as an application writes it, compiled with cobc -m.
      *> Predisplay ("D"): every character is shown as "*".
      *> Postkeystroke ("K", "P"): an "f" becomes F10 (character 0,
      *> extended code 68); a "z" asks for field-full.
      *> Every call leaves its argument count in the reserved area
      *> (offset 31) and marks the PASS-TO-EXIT area when it received
      *> one (a call with fewer arguments leaves it without an address).
       IDENTIFICATION DIVISION.
       PROGRAM-ID. EXITBLK.
       COPY "EXITBODY.CPY".
