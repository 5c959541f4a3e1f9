@echo off
rem Sends two statuses and reports a failure; run beside tkWDSend.exe, service running.
tkWDSend connect P1
tkWDSend cutter "Lab printer_2"
if errorlevel 1 echo tkWDSend failed with exit code %errorlevel%
