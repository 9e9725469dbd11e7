<!DOCTYPE html>
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>REPORT_TITLE</title>
<style type="text/css">
  body        { font-family: "DejaVu Sans", Arial, Helvetica, sans-serif; font-size: 9pt;
                color: #1b1b1b; background: #ffffff; margin: 0; }
  .Banner     { background-color: #16325c; color: #ffffff; }
  .ReportTitle { font-size: 11pt; font-weight: bold; color: #ffffff; }
  .Product    { font-size: 9pt; color: #c9d6ea; }
  .ItemTitle  { font-size: 11pt; font-weight: bold; color: #16325c; margin-top: 8px;
                margin-bottom: 6px; border-bottom: 1px solid #16325c; }
  .ItemTitleU { font-size: 9pt; font-weight: bold; color: #16325c; text-decoration: underline; }
  .ItemTitleUC { font-size: 8pt; font-weight: bold; color: #16325c; text-align: left;
                 text-decoration: underline; padding-right: 6px; white-space: nowrap; }
  td          { font-size: 9pt; }  /* the page's text size in table cells too */
  .Item       { margin-left: 6px; }
  .ItemName   { font-weight: bold; color: #333333; padding-right: 6px; white-space: nowrap;
                width: 135px; }
  .ItemVal    { color: #1b1b1b; padding-right: 8px; white-space: nowrap; }
  /* A value stays on one line (IDs, names); the dealer texts, the only cells with valign, wrap. */
  .ItemVal[valign] { white-space: normal; }
  .ItemVal p  { margin: 0 0 3px 0; }
  .Footer     { font-size: 7pt; color: #777777; margin-top: 14px; }
  hr          { border: 0; height: 1px; }
  @page       { size: auto; margin: 4.2mm 6mm; }
</style>
</head>
<body>
<table width="100%" border="0" cellpadding="8" cellspacing="0" class="Banner" bgcolor="#16325c">
  <tr>
    <td valign="middle">
      <div class="ReportTitle">REPORT_TITLE</div>
      <div class="Product">VEX480 PRG &mdash; what this radio holds</div>
    </td>
    <td align="right" valign="middle" width="140">
      <img src="MODEL_PIC.png" height="110" alt="">
    </td>
  </tr>
</table>
<table width="100%" border="0" cellpadding="10" cellspacing="0">
  <tr>
    <td>
<!-- report content begin -->
    </td>
  </tr>
</table>
<p class="Footer" align="center">Printed with VEX480 PRG, the programming software of the VEX480 radio.</p>
</body>
</html>
